// SPDX-License-Identifier: MIT
#include "io/table.h"

#include <algorithm>
#include <cstdint>
#include <istream>
#include <string>
#include <utility>
#include <vector>

#include "io/expr.h"
#include "io/lines.h"

namespace qmsop {

namespace {

// A refusal at a column (bytes from 1) of the current line.
struct TableError {
    std::uint64_t column;
    std::string reason;
};

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == ',' || c == '|';
}

bool IsNameChar(char c, bool first)
{
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return letter || (!first && ((c >= '0' && c <= '9') || c == '_'));
}

std::string Shown(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || byte < 0x20) {
        constexpr char kHex[] = "0123456789ABCDEF";
        return std::string("byte 0x") + kHex[byte >> 4U] + kHex[byte & 0xFU];
    }
    return "'" + std::string(1, c) + "'";
}

// The header: input names, then output names.
void ParseHeader(const std::string& text, PlaFile& pla)
{
    std::vector<std::string> names;
    std::size_t bar = std::string::npos;  // names before the '|'
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '|' && bar == std::string::npos && !names.empty()) {
            bar = names.size();
        }
        if (IsSeparator(text[i])) {
            ++i;
            continue;
        }
        if (!IsNameChar(text[i], true)) {
            throw TableError{i + 1, "expected a name in the header, found " + Shown(text[i])};
        }
        const std::size_t start = i;
        while (i < text.size() && IsNameChar(text[i], false)) {
            ++i;
        }
        names.push_back(text.substr(start, i - start));
        if (i < text.size() && !IsSeparator(text[i])) {
            throw TableError{i + 1,
                             "expected a blank, ',' or '|' after a name, found " + Shown(text[i])};
        }
    }
    if (bar == std::string::npos) {
        bar = names.empty() ? 0 : names.size() - 1;
    }
    if (bar == names.size()) {
        throw TableError{text.size() + 1, "expected an output name after the inputs"};
    }
    if (bar > 32) {
        throw TableError{1, "a table takes at most 32 inputs, this one has " + std::to_string(bar)};
    }
    pla.inputs.assign(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(bar));
    for (std::size_t o = bar; o < names.size(); ++o) {
        pla.outputs.push_back({names[o], {}, {}, {}});
    }
}

// One row: its point, and its values appended to the outputs' sets.
std::uint32_t ParseRow(const std::string& text, PlaFile& pla)
{
    const std::size_t inputs = pla.inputs.size();
    const std::size_t width = inputs + pla.outputs.size();
    std::uint32_t point = 0;
    std::size_t k = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsSeparator(c)) {
            continue;
        }
        if (k == width) {
            throw TableError{i + 1, "expected the end of the row (" + std::to_string(width) +
                                        " values), found " + Shown(c)};
        }
        if (k < inputs) {
            if (c != '0' && c != '1') {
                throw TableError{
                    i + 1, "expected 0 or 1 for input '" + pla.inputs[k] + "', found " + Shown(c)};
            }
            point = (point << 1U) | static_cast<std::uint32_t>(c - '0');
        } else {
            PlaOutput& output = pla.outputs[k - inputs];
            if (c == '1') {
                output.on.push_back(point);
            } else if (c == '0') {
                output.off.push_back(point);
            } else if (c == '-' || c == 'x' || c == 'X') {
                output.dontCare.push_back(point);
            } else {
                throw TableError{i + 1, "expected 0, 1, '-' or 'x' for output '" + output.name +
                                            "', found " + Shown(c)};
            }
        }
        ++k;
    }
    if (k < width) {
        throw TableError{text.size() + 1, "expected " + std::to_string(width) +
                                              " values in the row, found " + std::to_string(k)};
    }
    return point;
}

// Refuses a point given by two rows; `rows` holds (point, line) pairs.
void CheckRepeats(std::vector<std::pair<std::uint32_t, std::uint64_t>>& rows, ReadResult& result)
{
    std::sort(rows.begin(), rows.end());
    for (std::size_t k = 1; k < rows.size(); ++k) {
        if (rows[k].first == rows[k - 1].first) {
            const auto later = std::max(rows[k].second, rows[k - 1].second);
            const auto earlier = std::min(rows[k].second, rows[k - 1].second);
            result.accepted = false;
            result.line = later;
            result.column = 1;
            result.reason = "row " + std::to_string(rows[k].first) +
                            " is given again (first at line " + std::to_string(earlier) + ")";
            return;
        }
    }
}

// Sorts each output's sets and adds the missing points as don't-cares.
void Finish(PlaFile& pla, bool missingAreDontCares)
{
    for (PlaOutput& output : pla.outputs) {
        std::sort(output.on.begin(), output.on.end());
        std::sort(output.off.begin(), output.off.end());
        std::sort(output.dontCare.begin(), output.dontCare.end());
        if (!missingAreDontCares) {
            continue;
        }
        std::vector<std::uint32_t> listed;
        std::merge(output.on.begin(), output.on.end(), output.off.begin(), output.off.end(),
                   std::back_inserter(listed));
        std::vector<std::uint32_t> merged;
        std::merge(listed.begin(), listed.end(), output.dontCare.begin(), output.dontCare.end(),
                   std::back_inserter(merged));
        std::vector<std::uint32_t> dontCares;
        auto next = merged.begin();
        const std::uint64_t points = std::uint64_t{1} << pla.inputs.size();
        for (std::uint64_t p = 0; p < points; ++p) {
            if (next != merged.end() && *next == p) {
                ++next;
            } else {
                dontCares.push_back(static_cast<std::uint32_t>(p));
            }
        }
        std::vector<std::uint32_t> all;
        std::merge(output.dontCare.begin(), output.dontCare.end(), dontCares.begin(),
                   dontCares.end(), std::back_inserter(all));
        output.dontCare = std::move(all);
    }
}

}  // namespace

ReadResult ReadTable(std::istream& in, PlaFile& pla, bool missingAreDontCares)
{
    pla = {};
    ReadResult result;
    LineReader lines(in);
    Line line;
    bool header = false;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> rows;
    for (;;) {
        const LineReader::Status status = lines.Next(line);
        if (status == LineReader::Status::kReadError) {
            result.readError = lines.error();
            return result;
        }
        if (status == LineReader::Status::kTooLong) {
            result.line = lines.number();
            result.column = kMaxLineLength + 1;
            result.reason = "line longer than " + std::to_string(kMaxLineLength) + " bytes";
            return result;
        }
        if (status == LineReader::Status::kEnd) {
            break;
        }
        if (line.comment || line.text.find_first_not_of(" \t\r") == std::string::npos) {
            continue;
        }
        try {
            if (!header) {
                ParseHeader(line.text, pla);
                header = true;
                if (missingAreDontCares && pla.inputs.size() > kMaxExprVars) {
                    throw TableError{1, "missing rows as don't-cares take at most " +
                                            std::to_string(kMaxExprVars) + " inputs"};
                }
            } else {
                rows.emplace_back(ParseRow(line.text, pla), lines.number());
            }
        } catch (const TableError& error) {
            result.line = lines.number();
            result.column = error.column;
            result.reason = error.reason;
            return result;
        }
    }
    if (!header) {
        result.atEnd = true;
        result.reason = "expected a header with the names of the inputs and outputs";
        return result;
    }
    result.accepted = true;
    CheckRepeats(rows, result);
    if (result.accepted) {
        Finish(pla, missingAreDontCares);
    }
    return result;
}

}  // namespace qmsop
