// SPDX-License-Identifier: MIT
// The PLA line parser and the set builder: what the parser reports for each
// syntax case (the fixtures in pla-syntax/, wide files, the forms it
// refuses), the benchmark PLAs when they are at hand, and the hostile and
// Espresso-style inputs that the reader once lost, blew up on or refused,
// each a row run through qmsop::Run.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <streambuf>
#include <string>
#include <system_error>
#include <vector>

#include "io/pla.h"
#include "io/pla_parser.h"
#include "run/run.h"

namespace {

namespace fs = std::filesystem;

// Every call of the parser, one line each: "i 3", "ilb a@3:6 b@3:8",
// "cube 1-0 1-@4:1", "end .e".
class Recorder : public qmsop::PlaCallbacks {
public:
    Answer OnInputs(std::uint64_t count, qmsop::PlaPlace /*place*/) override
    {
        return Log("i " + std::to_string(count));
    }
    Answer OnOutputs(std::uint64_t count, qmsop::PlaPlace /*place*/) override
    {
        return Log("o " + std::to_string(count));
    }
    Answer OnInputNames(std::span<const qmsop::PlaName> names) override
    {
        return Log("ilb" + Names(names));
    }
    Answer OnOutputNames(std::span<const qmsop::PlaName> names) override
    {
        return Log("ob" + Names(names));
    }
    Answer OnType(qmsop::PlaType type, qmsop::PlaPlace /*place*/) override
    {
        return Log(std::string("type ") + (type.on ? "f" : "") + (type.dontCare ? "d" : "") +
                   (type.off ? "r" : ""));
    }
    Answer OnCubeCount(std::uint64_t count, qmsop::PlaPlace /*place*/) override
    {
        return Log("p " + std::to_string(count));
    }
    Answer OnCube(const qmsop::PlaCube& cube) override
    {
        ++cubes;
        if (!keepCubes) {
            return {};
        }
        return Log("cube " + std::string(cube.inputs) + " " + std::string(cube.outputs) +
                   Place(cube.places.front()));
    }
    Answer OnEnd(qmsop::PlaPlace /*place*/, bool marked) override
    {
        return Log(marked ? "end .e" : "end");
    }

    std::string log;
    std::uint64_t cubes = 0;
    bool keepCubes = true;

private:
    static std::string Place(qmsop::PlaPlace place)
    {
        std::string text = "@";
        return text.append(std::to_string(place.line))
            .append(":")
            .append(std::to_string(place.column));
    }
    static std::string Names(std::span<const qmsop::PlaName> names)
    {
        std::string text;
        for (const qmsop::PlaName& name : names) {
            text.append(" ").append(name.text).append(Place(name.place));
        }
        return text;
    }
    Answer Log(const std::string& line)
    {
        log += line + "\n";
        return {};
    }
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PlaParser, ReportsEachSyntaxCaseOfTheFixtures)
{
    const struct {
        const char* file;
        const char* log;
    } cases[] = {
        {"comment_after_cube.pla", "i 2\no 1\ncube 01 1@3:1\ncube 1- 1@4:1\nend .e\n"},
        {"continued_cube.pla", "i 4\no 3\ncube 01-0 1~0@4:1\ncube 1--1 01-@6:1\nend .e\n"},
        {"continued_names.pla",
         "i 4\no 2\nilb a@3:6 b@3:8 c@4:3 d@4:5\nob s@5:5 t@6:2\ntype f\np 1\n"
         "cube 1-0- 10@9:1\nend .e\n"},
        {"title_line.pla", "i 2\no 1\ncube 11 1@4:1\nend .e\n"},
        {"type_fdr.pla",
         "i 2\no 2\ntype fdr\ncube 00 1-@4:1\ncube 11 0-@5:1\ncube 01 10@6:1\nend .e\n"},
        {"type_fr_no_end.pla", "i 2\no 1\ntype fr\ncube 00 1@4:1\ncube 11 0@5:1\nend\n"},
        {"type_r.pla", "i 3\no 1\ntype r\ncube 0-- 0@4:1\nend\n"},
        {"type_dr.pla", "i 2\no 1\ntype dr\ncube 0- 0@4:1\ncube 11 -@5:1\nend .e\n"},
        {"windows_lines.pla", "i 2\no 1\ntype f\ncube 1- 1@5:1\nend .e\n"},
        {"no_inputs.pla", "i 0\no 1\ncube  1@3:2\nend .e\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::istringstream in(ReadFile(fs::path(QMSOP_PLA_SYNTAX_DIR) / c.file));
        Recorder recorder;
        const qmsop::ReadResult read = qmsop::ParsePla(in, recorder);
        EXPECT_TRUE(read.accepted) << qmsop::DescribeRefusal(read);
        EXPECT_TRUE(read.warnings.empty());
        EXPECT_EQ(recorder.log, c.log);
    }
}

TEST(PlaParser, ReadsWideFilesWithoutExpandingThem)
{
    // 300 inputs and 200 outputs, each cube nearly all free: nothing of the
    // size of 2^300 may be built, and the values reach the callback whole.
    constexpr std::size_t kInputs = 300;
    constexpr std::size_t kOutputs = 200;
    std::string text = ".i 300\n.o 200\n.type fr\n.p 3\n";
    std::vector<std::string> cubes;
    for (std::size_t c = 0; c < 3; ++c) {
        std::string inputs(kInputs, '-');
        inputs[c] = '1';
        std::string outputs(kOutputs, c == 1 ? '0' : '1');
        outputs[kOutputs - 1 - c] = '~';
        cubes.push_back("cube " + inputs + " " + outputs);
        text += inputs + " " + outputs + "\n";
    }
    std::istringstream in(text);
    Recorder recorder;
    const qmsop::ReadResult read = qmsop::ParsePla(in, recorder);
    ASSERT_TRUE(read.accepted) << qmsop::DescribeRefusal(read);
    EXPECT_TRUE(read.warnings.empty());
    EXPECT_EQ(recorder.log, "i 300\no 200\ntype fr\np 3\n" + cubes[0] + "@5:1\n" + cubes[1] +
                                "@6:1\n" + cubes[2] + "@7:1\nend\n");
}

TEST(PlaParser, RefusesTheOtherFormsByName)
{
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {".i 2\n.o 1\n.mv 3 1 2\n", "keyword .mv (multi-valued variables) is not supported"},
        {".i 2\n.o 1\n.label var=1 a b\n", "keyword .label (multi-valued variables)"},
        {".i 2\n.o 1\n.kiss\n", "keyword .kiss (a state machine) is not supported"},
        {".i 2\n.o 1\n.symbolic a b ;\n", "keyword .symbolic (symbolic variables)"},
        {".i 2\n.o 1\n.symbolic-output 0 ;\n", "keyword .symbolic-output (symbolic outputs)"},
        {".i 2\n.o 1\n.phase 1\n", "keyword .phase (output phases) is not supported"},
        {".i 2\n.o 1\n.pair 1 (a b)\n", "keyword .pair (paired inputs)"},
        {".i 2\n.o 1\n.frobnicate\n", "unknown keyword .frobnicate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::istringstream in(c.text);
        Recorder recorder;
        const qmsop::ReadResult read = qmsop::ParsePla(in, recorder);
        EXPECT_FALSE(read.accepted);
        EXPECT_EQ(read.line, 3u);
        EXPECT_EQ(read.column, 1u);
        EXPECT_EQ(read.reason.rfind(c.reason, 0), 0u) << read.reason;
    }
}

// The benchmark PLAs, from the environment's QMSOP_BENCH_PLA or the shared
// folder beside the checkout; they are not part of the repository.
fs::path BenchFolder()
{
    if (const char* given = std::getenv("QMSOP_BENCH_PLA")) {
        return given;
    }
    for (const char* relative : {"../shared/bench-pla", "../../shared/bench-pla"}) {
        const fs::path candidate = fs::path(QMSOP_SOURCE_DIR) / relative;
        if (fs::is_directory(candidate)) {
            return candidate;
        }
    }
    return {};
}

TEST(PlaParser, ReadsEveryBenchmarkPlaWithTheCubesItsDotPGives)
{
    const fs::path folder = BenchFolder();
    if (folder.empty() || !fs::is_directory(folder)) {
        GTEST_SKIP() << "the benchmark PLAs are not here (set QMSOP_BENCH_PLA to their folder, "
                        "or put them in ../shared/bench-pla): nothing to sweep";
    }
    std::size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".pla") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        Recorder recorder;
        recorder.keepCubes = false;
        const qmsop::ReadResult read = qmsop::ParsePla(in, recorder);
        EXPECT_TRUE(read.accepted) << qmsop::DescribeRefusal(read);
        // A wrong .p is the one warning a sound file gives.
        EXPECT_TRUE(read.warnings.empty()) << qmsop::DescribeDiagnostic(read.warnings.front());
        const auto p = recorder.log.find("\np ");
        if (p != std::string::npos) {
            EXPECT_EQ(std::stoull(recorder.log.substr(p + 3)), recorder.cubes);
        }
        EXPECT_GT(recorder.cubes, 0u);
    }
    EXPECT_GT(files, 0u) << folder;
}

// ------------------------------------------------- the reader through Run

struct Outcome {
    std::string out;
    std::string messages;
    qmsop::RunStatus status;
};

Outcome RunPla(std::istream& in, bool strict = false)
{
    qmsop::RunOptions options;
    options.input = qmsop::InputFormat::kPla;
    options.inputName = "t.pla";
    options.resultOnly = true;
    options.strict = strict;
    std::ostringstream out;
    std::ostringstream messages;
    options.messages = &messages;
    const qmsop::RunStatus status = qmsop::Run(in, out, options);
    return {out.str(), messages.str(), status};
}

std::string Dashes(std::size_t count)
{
    return std::string(count, '-');
}

TEST(PlaReader, EspressoSyntaxNamesAndEstimates)
{
    using Status = qmsop::RunStatus;
    const struct {
        const char* what;
        std::string text;
        bool strict;
        Status status;
        std::string out;
        std::string messages;  // after "qmsop: t.pla: "
    } cases[] = {
        // Espresso's syntax.
        {"'#' after a cube", ".i 2\n.o 1\n01 1# c\n.e\n", false, Status::kAccepted,
         "f(x0,x1) = x0'x1\n", ""},
        {"a cube continued on the next line", ".i 3\n.o 2\n01\n1 1\n0\n.e\n", false,
         Status::kAccepted, "f0(x0,x1,x2) = x0'x1x2\nf1(x0,x1,x2) = \n", ""},
        {".ilb and .ob continued", ".i 3\n.o 1\n.ilb a b\n c\n.ob\n g\n011 1\n.e\n", false,
         Status::kAccepted, "g(a,b,c) = a'bc\n", ""},
        {"a title line before .i", "my title\n.i 2\n.o 1\n11 1\n.e\n", false, Status::kAccepted,
         "f(x0,x1) = x0x1\n", ""},
        {"a byte order mark", "\xEF\xBB\xBF.i 2\n.o 1\n11 1\n.e\n", false, Status::kRefused,
         "f() = \n",
         "input refused at line 1, column 1: a UTF-8 byte order mark (byte 0xEF): save the "
         "file without it"},
        {"a NUL in a cube", std::string(".i 2\n.o 1\n1\0 1\n.e\n", 18), false, Status::kRefused,
         "f() = \n",
         "input refused at line 3, column 2: NUL byte in the input part (0, 1, - or 2)"},
        {"a cube cut short by .e", ".i 3\n.o 1\n01\n.e\n", false, Status::kRefused, "f() = \n",
         "input refused at line 3, column 3: cube has 2 values, not 4 (3 inputs and 1 outputs)"},
        // Names.
        {"an escape in a name", ".i 2\n.o 1\n.ilb a\033[31mRED b\n11 1\n.e\n", false,
         Status::kRefused, "f() = \n",
         "input refused at line 3, column 7: control character byte 0x1B in a name"},
        {"a NUL in an output name", std::string(".i 1\n.o 1\n.ob g\0\n1 1\n", 20), false,
         Status::kRefused, "f() = \n",
         "input refused at line 3, column 6: control character byte 0x00 in a name"},
        {"a name with a quote", ".i 2\n.o 1\n.ilb a' b\n11 1\n.e\n", false, Status::kAccepted,
         "f(a',b) = a'b\n",
         "warning: t.pla: line 3, column 6: name 'a'' has a \"'\", which the text output "
         "writes for a complement"},
        {"a name given twice", ".i 2\n.o 2\n.ob g g\n11 11\n.e\n", false, Status::kAccepted,
         "g(x0,x1) = x0x1\ng(x0,x1) = x0x1\n",
         "warning: t.pla: line 3, column 7: output name 'g' is given twice"},
        {"--strict refuses, and prints no warning first", ".i 2\n.o 1\n.ilb a a\n11 1\n.e\n", true,
         Status::kRefused, "f() = \n",
         "input refused at line 3, column 8: input name 'a' is given twice (refused by "
         "--strict)"},
        // Estimates of the minterm working.
        {"one free cube of 14 inputs", ".i 14\n.o 1\n" + Dashes(14) + " 1\n", false,
         Status::kRefused, "f() = \n",
         "input refused at line 3, column 1: output f needs at least 4782969 implicants (3^14, "
         "the subcubes of this cube of 14 free inputs), past the limit of 2097152"},
        {".i 24", ".i 24\n.o 1\n" + Dashes(24) + " 1\n", false, Status::kRefused, "f() = \n",
         "input refused at line 3, column 1: output f needs at least 282429536481 implicants "
         "(3^24, the subcubes of this cube of 24 free inputs), past the limit of 2097152"},
        {".type r without cubes", ".i 16\n.o 1\n.type r\n.e\n", false, Status::kRefused, "f() = \n",
         "input refused at line 4, column 1: output f needs at least 43046721 implicants "
         "(3^16, the subcubes of 16 free inputs that miss its off-set), past the limit of "
         "2097152"},
        {"an off-set that leaves a large cube", ".i 15\n.o 1\n.type fr\n" + Dashes(15) + " 0\n",
         false, Status::kAccepted, "f(x0,x1,x2,x3,x4,x5,x6,x7,x8,x9,x10,x11,x12,x13,x14) = \n", ""},
        {".type r, few inputs", ".i 2\n.o 1\n.type r\n00 0\n.e\n", false, Status::kAccepted,
         "f(x0,x1) = x1 + x0\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream in(c.text);
        const Outcome run = RunPla(in, c.strict);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        const std::string expected = c.messages.empty() ? ""
                                     : c.messages.rfind("warning: ", 0) == 0
                                         ? "qmsop: " + c.messages + "\n"
                                         : "qmsop: t.pla: " + c.messages + "\n";
        EXPECT_EQ(run.messages, expected);
    }
}

// A stream buffer that gives `text`, then fails as a file does on EIO, or
// as memory does.
class FailingBuffer : public std::streambuf {
public:
    enum class Failure { kReadError, kOutOfMemory };

    FailingBuffer(std::string text, Failure failure) : text(std::move(text)), failure(failure)
    {
        setg(this->text.data(), this->text.data(), this->text.data() + this->text.size());
    }

protected:
    int_type underflow() override
    {
        if (failure == Failure::kOutOfMemory) {
            throw std::bad_alloc();
        }
        throw std::ios_base::failure("read", std::error_code(EIO, std::generic_category()));
    }

private:
    std::string text;
    Failure failure;
};

TEST(PlaReader, ReadErrorsAndOutOfMemoryReachTheUser)
{
    const std::string head = ".i 2\n.o 1\n11 1\n";
    {
        FailingBuffer buffer(head, FailingBuffer::Failure::kReadError);
        std::istream in(&buffer);
        const Outcome run = RunPla(in);
        EXPECT_EQ(run.status, qmsop::RunStatus::kReadError);
        EXPECT_EQ(run.messages, "qmsop: error reading t.pla: Input/output error\n");
    }
    {
        FailingBuffer buffer(head, FailingBuffer::Failure::kOutOfMemory);
        std::istream in(&buffer);
        EXPECT_THROW(RunPla(in), std::bad_alloc);
    }
    {
        // A directory reads as an error, not as a file without .i.
        std::ifstream in(fs::temp_directory_path(), std::ios::binary);
        ASSERT_TRUE(in.is_open());
        const Outcome run = RunPla(in);
        EXPECT_EQ(run.status, qmsop::RunStatus::kReadError);
        EXPECT_EQ(run.messages, "qmsop: error reading t.pla: Is a directory\n");
    }
}

TEST(PlaReader, AnEndlessLineIsRefusedAtTheBound)
{
    // The built program on /dev/zero, with --all and as a PLA: each must end
    // with the refusal of line 1, in memory bounded by the line's bound.
    for (const char* options : {"--all", "--input=pla"}) {
        SCOPED_TRACE(options);
#ifdef QMSOP_SANITIZED
        const std::string limit;
#else
        const std::string limit = "ulimit -v 1000000; ";
#endif
        const std::string command = "(" + limit + "exec '" + QMSOP_BINARY + "' -r " + options +
                                    " /dev/zero) 2>&1 >/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string err;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            err += buffer;
        }
        const int status = ::pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        EXPECT_EQ(err,
                  "qmsop: /dev/zero: input refused at line 1, column 268435457: line longer "
                  "than 268435456 bytes\n");
    }
}

}  // namespace
