// SPDX-License-Identifier: MIT
#include "cube/plarows.h"

#include <vector>

#include "cube/urp.h"

namespace qmsop {

namespace {

bool HasDc(PlaType type)
{
    return type.dontCare;
}

bool HasOff(PlaType type)
{
    return type.off;
}

bool HasAnyOutput(const CubeShape& shape, const std::vector<std::uint64_t>& cube)
{
    for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
        if (cube[w] != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

PlaRows::PlaRows(std::uint32_t numInputs, std::uint32_t numOutputs, PlaType type)
    : shape_(numInputs, numOutputs),
      type_(type),
      covers_{Cover(shape_), Cover(shape_), Cover(shape_)}
{
}

std::optional<std::size_t> PlaRows::Add(std::string_view inputs, std::string_view outputs)
{
    const std::uint32_t n = shape_.NumInputs();
    const std::uint32_t m = shape_.NumOutputs();
    std::vector<std::uint64_t> on(shape_.Words(), 0);
    for (std::uint32_t i = 0; i < n; ++i) {
        if (i >= inputs.size()) {
            return inputs.size();
        }
        const char c = inputs[i];
        const unsigned part = c == '0' ? 1u : c == '1' ? 2u : (c == '-' || c == '2') ? 3u : 0u;
        if (part == 0) {
            return i;
        }
        SetInputPart(on, i, part);
    }
    if (inputs.size() > n) {
        return n;
    }
    std::vector<std::uint64_t> dc = on;
    std::vector<std::uint64_t> off = on;
    for (std::uint32_t j = 0; j < m; ++j) {
        if (j >= outputs.size()) {
            return n + outputs.size();
        }
        const char c = outputs[j];
        if (c == '1' || c == '4') {
            SetOutput(shape_, on, j, type_.on);
        } else if (c == '0' || c == '3') {
            SetOutput(shape_, off, j, HasOff(type_));
        } else if (c == '-' || c == '2') {
            SetOutput(shape_, dc, j, HasDc(type_));
        } else if (c != '~') {
            return n + j;
        }
    }
    if (outputs.size() > m) {
        return n + m;
    }
    if (HasAnyOutput(shape_, on)) {
        covers_.on.Add(on);
    }
    if (HasAnyOutput(shape_, dc)) {
        covers_.dc.Add(dc);
    }
    if (HasAnyOutput(shape_, off)) {
        covers_.off.Add(off);
    }
    return std::nullopt;
}

PlaCovers PlaRows::Finish() const
{
    PlaCovers covers = covers_;
    if (!type_.on) {
        Cover given = covers.dc;
        given.Append(covers.off);
        covers.on = Complement(given);
        return covers;
    }
    if (HasOff(type_)) {
        Cover specified = covers.on;
        specified.Append(covers.dc);
        specified.Append(covers.off);
        covers.dc.Append(Complement(specified));
    }
    return covers;
}

}  // namespace qmsop
