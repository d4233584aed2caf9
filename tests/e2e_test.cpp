// SPDX-License-Identifier: MIT
// Runs the built qmsop on every golden case in tests/golden and compares
// standard output byte for byte, standard error and the exit status.
//
// A case NAME is NAME.in (standard input) and NAME.out (expected standard
// output). If NAME.err exists, standard error must equal it and the exit
// status must be 1 when it refuses the input, 0 when it only warns; otherwise
// standard error must be empty and the status 0.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

using qmsop::test::ReadFile;

std::vector<std::string> GoldenCases()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(QMSOP_GOLDEN_DIR)) {
        if (entry.path().extension() == ".in") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The program on `input`, as standard input.
qmsop::test::Outcome RunQmsop(const fs::path& input)
{
    return qmsop::test::Scratch().Run("$Q", ReadFile(input));
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, MatchesExpectedOutputErrorAndStatus)
{
    const fs::path base = fs::path(QMSOP_GOLDEN_DIR) / GetParam();
    const qmsop::test::Outcome run = RunQmsop(base.string() + ".in");
    EXPECT_EQ(run.out, ReadFile(base.string() + ".out"));
    const fs::path errFile = base.string() + ".err";
    if (fs::exists(errFile)) {
        const std::string err = ReadFile(errFile);
        EXPECT_EQ(run.err, err);
        EXPECT_EQ(run.status, err.find("input refused") != std::string::npos ? 1 : 0);
    } else {
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.status, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(GoldenCases()), [](const auto& info) {
    std::string name = info.param;
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
});

}  // namespace
