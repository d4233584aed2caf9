// SPDX-License-Identifier: MIT
// Golden files of the output formats, through qmsop::Run.
//
// Every case NAME.in of tests/golden (the default run's cases) and every case
// of tests/golden-formats (NAME.in, a function line, or NAME.pla, a PLA file;
// a name starting with "pos_" runs with --pos) is run in each format and
// compared byte for byte with tests/golden-formats/NAME.out.json,
// NAME.out.pla and NAME.out.v; the cases of tests/golden-formats also with
// NAME.out.txt. The messages must equal NAME.err (of either folder), empty
// when there is none; the status is kRefused when they refuse the input,
// else kAccepted (a warning alone accepts). QMSOP_UPDATE_GOLDEN=1 in the environment rewrites the
// expected files of tests/golden-formats from the program's output instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "run/run.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDefaultCases = QMSOP_GOLDEN_DIR;
const fs::path kFormatCases = QMSOP_FORMATS_GOLDEN_DIR;

using qmsop::test::ReadFile;

struct Case {
    std::string name;
    fs::path input;
    bool own = false;  // a case of tests/golden-formats
};

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    for (const auto& entry : fs::directory_iterator(kDefaultCases)) {
        if (entry.path().extension() == ".in") {
            cases.push_back({entry.path().stem().string(), entry.path(), false});
        }
    }
    for (const auto& entry : fs::directory_iterator(kFormatCases)) {
        const auto extension = entry.path().extension();
        const std::string stem = entry.path().stem().string();
        if ((extension == ".in" || extension == ".pla") && stem.find(".out") == std::string::npos) {
            cases.push_back({stem, entry.path(), true});
        }
    }
    std::sort(cases.begin(), cases.end(),
              [](const Case& x, const Case& y) { return x.name < y.name; });
    return cases;
}

struct Output {
    std::string out;
    std::string messages;
    qmsop::RunStatus status;
};

Output RunCase(const Case& c, qmsop::OutputFormat format)
{
    qmsop::RunOptions options;
    options.format = format;
    options.pos = c.name.starts_with("pos_");
    if (c.input.extension() == ".pla") {
        options.input = qmsop::InputFormat::kPla;
        options.inputName = c.input.filename().string();
    }
    std::ostringstream messages;
    options.messages = &messages;
    std::istringstream in(ReadFile(c.input));
    std::ostringstream out;
    const qmsop::RunStatus status = qmsop::Run(in, out, options);
    return {out.str(), messages.str(), status};
}

class FormatsGolden : public ::testing::TestWithParam<Case> {};

TEST_P(FormatsGolden, EachFormatMatchesItsGoldenFile)
{
    const Case& c = GetParam();
    const bool update = std::getenv("QMSOP_UPDATE_GOLDEN") != nullptr;
    struct Format {
        qmsop::OutputFormat format;
        const char* suffix;
    };
    std::vector<Format> formats = {{qmsop::OutputFormat::kJson, ".out.json"},
                                   {qmsop::OutputFormat::kPla, ".out.pla"},
                                   {qmsop::OutputFormat::kVerilog, ".out.v"}};
    if (c.own) {
        formats.push_back({qmsop::OutputFormat::kText, ".out.txt"});
    }
    const fs::path errFile = (c.own ? kFormatCases : kDefaultCases) / (c.name + ".err");
    for (const Format& f : formats) {
        SCOPED_TRACE(std::string(c.name) + f.suffix);
        const Output run = RunCase(c, f.format);
        const fs::path expected = kFormatCases / (c.name + f.suffix);
        if (update) {
            std::ofstream(expected, std::ios::binary) << run.out;
            if (c.own && !run.messages.empty()) {
                std::ofstream(errFile, std::ios::binary) << run.messages;
            }
            continue;
        }
        ASSERT_TRUE(fs::exists(expected)) << expected;
        EXPECT_EQ(run.out, ReadFile(expected));
        if (fs::exists(errFile)) {
            const std::string messages = ReadFile(errFile);
            EXPECT_EQ(run.messages, messages);
            EXPECT_EQ(run.status, messages.find("input refused") != std::string::npos
                                      ? qmsop::RunStatus::kRefused
                                      : qmsop::RunStatus::kAccepted);
        } else {
            EXPECT_EQ(run.messages, "");
            EXPECT_EQ(run.status, qmsop::RunStatus::kAccepted);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatsGolden, ::testing::ValuesIn(Cases()), [](const auto& info) {
    std::string name = info.param.name;
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
});

}  // namespace
