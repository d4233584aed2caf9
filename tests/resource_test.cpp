// SPDX-License-Identifier: MIT
// Hostile inputs and hard limits, end to end on the built program: very long
// input, very wide and very long functions, numbers past 32 bits, NUL and
// high bytes, and standard output that goes away. Every run has a time limit
// and its peak memory is measured; none may crash or hang.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A sanitizer build runs the program many times slower and with a larger,
// lazier heap: its limits are scaled.
#ifdef QMSOP_SANITIZED
constexpr double kTimeScale = 20.0;
constexpr double kMemoryScale = 4.0;
#else
constexpr double kTimeScale = 1.0;
constexpr double kMemoryScale = 1.0;
#endif

constexpr std::uint64_t kMiB = 1024 * 1024;

// Standard output of every refused input: the run of the empty function.
constexpr std::string_view kEmptyOutput = "f() = m() + d()\n\n[PI]\n\n           \n\nf() = \n\n";

struct RunOptions {
    fs::path stdinPath;
    double seconds = 5.0;               // wall-clock limit before scaling
    std::string stdoutPath;             // write standard output to this file instead of a pipe
    std::size_t closeAfter = SIZE_MAX;  // close our end of the pipe after this many bytes
    bool ignoreSigpipe = false;         // start the program with SIGPIPE ignored
    bool keepOutput = true;             // keep standard output in RunResult::out
    std::function<void(std::string_view)> onOutput;  // sees every piece of standard output
};

struct RunResult {
    std::string out;
    std::string err;
    std::uint64_t outBytes = 0;
    bool exited = false;
    int exitCode = -1;
    int signal = 0;
    bool timedOut = false;
    double seconds = 0;
    std::uint64_t peakBytes = 0;  // the program's peak resident memory
};

std::string Describe(const RunResult& r)
{
    return "exit " + std::to_string(r.exitCode) + ", signal " + std::to_string(r.signal) +
           (r.timedOut ? ", timed out" : "") + ", " + std::to_string(r.seconds) + " s, " +
           std::to_string(r.peakBytes / kMiB) + " MiB, stderr: " + r.err.substr(0, 500);
}

// Runs the program, through qmsop_measure, with standard input from a file,
// collecting standard output and standard error through pipes, and kills it
// at the time limit. `resultFile` is where qmsop_measure leaves its report.
RunResult RunQmsop(const RunOptions& options, const fs::path& resultFile)
{
    fs::remove(resultFile);
    int outPipe[2] = {-1, -1};
    int errPipe[2];
    if (options.stdoutPath.empty() && ::pipe(outPipe) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    if (::pipe(errPipe) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    const Clock::time_point start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);  // one group with the program, for the kill at the time limit
        const int in = ::open(options.stdinPath.c_str(), O_RDONLY);
        const int out = options.stdoutPath.empty() ? outPipe[1]
                                                   : ::open(options.stdoutPath.c_str(),
                                                            O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(errPipe[1], 2) < 0) {
            ::_exit(127);
        }
        ::signal(SIGPIPE, options.ignoreSigpipe ? SIG_IGN : SIG_DFL);
        ::closefrom(3);
        ::execl(QMSOP_MEASURE, QMSOP_MEASURE, resultFile.c_str(), QMSOP_BINARY,
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    if (outPipe[1] >= 0) {
        ::close(outPipe[1]);
    }
    ::close(errPipe[1]);

    RunResult result;
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(options.seconds * kTimeScale));
    int outFd = outPipe[0];
    int errFd = errPipe[0];
    if (outFd >= 0 && options.closeAfter == 0) {
        ::close(outFd);
        outFd = -1;
    }
    std::vector<char> buffer(1 << 16);
    while (outFd >= 0 || errFd >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            ::kill(-pid, SIGKILL);
            break;
        }
        pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000))) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[0].revents != 0) {
            const ssize_t n = ::read(outFd, buffer.data(), buffer.size());
            if (n <= 0) {
                ::close(outFd);
                outFd = -1;
            } else {
                const std::string_view piece(buffer.data(), static_cast<std::size_t>(n));
                result.outBytes += piece.size();
                if (options.keepOutput) {
                    result.out += piece;
                }
                if (options.onOutput) {
                    options.onOutput(piece);
                }
                if (result.outBytes >= options.closeAfter) {
                    ::close(outFd);
                    outFd = -1;
                }
            }
        }
        if (fds[1].revents != 0) {
            const ssize_t n = ::read(errFd, buffer.data(), buffer.size());
            if (n <= 0) {
                ::close(errFd);
                errFd = -1;
            } else {
                result.err.append(buffer.data(), static_cast<std::size_t>(n));
            }
        }
    }
    for (const int fd : {outFd, errFd}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (result.timedOut) {
        return result;
    }
    std::ifstream report(resultFile);
    std::string end;
    int value = 0;
    std::uint64_t kilobytes = 0;
    if (!(report >> end >> value >> kilobytes) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "qmsop_measure failed";
        return result;
    }
    result.exited = end == "exit";
    result.exitCode = result.exited ? value : -1;
    result.signal = result.exited ? 0 : value;
    result.peakBytes = kilobytes * 1024;
    return result;
}

// A directory of its own for each test, removed afterwards.
class Resource : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("qmsop_resource_" + std::to_string(::getpid()) + "_" + info->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    RunResult Launch(const RunOptions& options) const { return RunQmsop(options, dir / "result"); }

    fs::path WriteInput(const std::string& name, const std::string& text) const
    {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    RunResult RunText(const std::string& text, double seconds = 5.0)
    {
        RunOptions options;
        options.stdinPath = WriteInput("input", text);
        options.seconds = seconds;
        return Launch(options);
    }

    // Runs the program with its standard output going to a counting sink:
    // RunResult::outBytes counts it all, RunResult::out keeps the last MiB.
    RunResult RunCounting(const std::string& text, double seconds)
    {
        std::string tail;
        RunOptions options;
        options.stdinPath = WriteInput("input", text);
        options.seconds = seconds;
        options.keepOutput = false;
        options.onOutput = [&tail](std::string_view piece) {
            tail += piece;
            if (tail.size() > 2 * kMiB) {
                tail.erase(0, tail.size() - kMiB);
            }
        };
        RunResult r = Launch(options);
        r.out = tail.size() > kMiB ? tail.substr(tail.size() - kMiB) : tail;
        return r;
    }

    fs::path dir;
};

std::string FirstLine(const std::string& out)
{
    return out.substr(0, out.find('\n'));
}

// The result line: the output ends with it, its line end and an empty line.
std::string ResultLine(const std::string& out)
{
    if (out.size() < 3 || out.compare(out.size() - 2, 2, "\n\n") != 0) {
        return "(no empty line at the end)";
    }
    const std::size_t end = out.size() - 2;
    const std::size_t newline = out.rfind('\n', end - 1);
    const std::size_t begin = newline == std::string::npos ? 0 : newline + 1;
    return out.substr(begin, end - begin);
}

void ExpectNoCrashOrHang(const RunResult& r)
{
    EXPECT_FALSE(r.timedOut) << Describe(r);
    EXPECT_TRUE(r.exited) << Describe(r);
}

void ExpectRefusedAt(const RunResult& r, std::uint64_t column)
{
    ExpectNoCrashOrHang(r);
    EXPECT_EQ(r.exitCode, 1) << Describe(r);
    EXPECT_EQ(r.out, kEmptyOutput);
    const std::string where =
        "qmsop: input refused at line 1, column " + std::to_string(column) + ": ";
    EXPECT_EQ(r.err.compare(0, where.size(), where), 0) << "stderr: " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "stderr: " << r.err;
    EXPECT_EQ(r.err.back(), '\n');
}

// Accepted: exit status 0 and nothing on standard error but warnings.
void ExpectAccepted(const RunResult& r)
{
    ExpectNoCrashOrHang(r);
    EXPECT_EQ(r.exitCode, 0) << Describe(r);
    std::istringstream err(r.err);
    for (std::string line; std::getline(err, line);) {
        EXPECT_EQ(line.rfind("qmsop: warning: ", 0), 0u) << line;
    }
}

// The program's memory may grow with what it reads and what it writes, by at
// most `perByte` bytes for each, above a fixed base.
void ExpectMemoryWithin(const RunResult& r, std::uint64_t inputBytes, std::uint64_t outputBytes,
                        double perByte)
{
    const double limit =
        kMemoryScale * (32.0 * kMiB + perByte * static_cast<double>(inputBytes + outputBytes));
    EXPECT_LE(static_cast<double>(r.peakBytes), limit)
        << "peak " << r.peakBytes / kMiB << " MiB for " << inputBytes << " input and "
        << outputBytes << " output bytes";
}

void Report(const char* what, const RunResult& r)
{
    std::printf("[ measured ] %s: %.2f s, peak %llu MiB, %llu output bytes\n", what, r.seconds,
                static_cast<unsigned long long>(r.peakBytes / kMiB),
                static_cast<unsigned long long>(r.outBytes));
}

std::string Names(const char* stem, std::uint32_t count)
{
    std::string names;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i != 0) {
            names += ',';
        }
        names.append(stem).append(std::to_string(i));
    }
    return names;
}

std::uint64_t Digits(std::uint64_t value)
{
    return std::to_string(value).size();
}

// `count` copies of one number, "5,5,...,5".
std::string Copies(const char* number, std::uint32_t count)
{
    std::string list;
    list.reserve(std::size_t{count} * (std::strlen(number) + 1));
    for (std::uint32_t i = 0; i < count; ++i) {
        list.append(i == 0 ? "" : ",").append(number);
    }
    return list;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// ---------------------------------------------------------------------------

TEST_F(Resource, TenMegabyteInputRefusedAtItsLastByte)
{
    constexpr std::size_t kSize = 10 * kMiB;
    struct Case {
        const char* what;
        std::string head;  // then "1," repeated up to the last byte
        std::string tail;  // ends with the refused byte
    };
    const std::vector<Case> cases = {
        {"blank after the last name", "f(", std::string(" ")},
        {"carriage return after the minterm list", "f(a)=m(", std::string(")\r")},
        {"NUL inside the don't-care list", "f(a)=m(1)+d(", std::string("\0", 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = c.head;
        while (text.size() + 2 + c.tail.size() <= kSize) {
            text += "1,";
        }
        text.resize(kSize - c.tail.size(), '1');
        text += c.tail;
        ASSERT_EQ(text.size(), kSize);
        const RunResult r = RunText(text);
        ExpectRefusedAt(r, kSize);
        ExpectMemoryWithin(r, kSize, r.outBytes, 12.0);
        Report(c.what, r);
    }
}

TEST_F(Resource, HundredThousandVariableNames)
{
    // Only the last 32 names have a weight below 2^32; m(1,3) eliminates the
    // next to last one, and the last is 1.
    constexpr std::uint32_t kVars = 100000;
    const std::string names = Names("v", kVars);
    const std::string text = "f(" + names + ") = m(1,3)\n";
    const RunResult r = RunText(text);
    ExpectAccepted(r);
    EXPECT_EQ(FirstLine(r.out), "f(" + names + ") = m(1,3) + d()");
    std::string expression;
    for (std::uint32_t v = 0; v + 2 < kVars; ++v) {
        expression.append("v").append(std::to_string(v)).append("'");
    }
    expression.append("v").append(std::to_string(kVars - 1));
    EXPECT_EQ(ResultLine(r.out), "f(" + names + ") = " + expression);
    EXPECT_NE(r.out.find("\n[PI]\n1,3 (2) PI#1\n\n"), std::string::npos);
    ExpectMemoryWithin(r, text.size(), r.outBytes, 8.0);
    Report("100000 names", r);
}

TEST_F(Resource, FiftyThousandMintermsOfASparseSeventeenVariableFunction)
{
    // 782 cubes of 64 minterms (x11..x16 free), at cube numbers of even
    // parity, so that no two cubes touch: 50048 minterms in random order, 782
    // prime implicants, each the only candidate of its columns. The cover
    // takes them in the order in which their first minterm appears.
    constexpr std::uint32_t kCubes = 782;
    std::vector<std::uint32_t> cubes;
    for (std::uint32_t c = 0; cubes.size() < kCubes; ++c) {
        if (std::popcount(c) % 2 == 0) {
            cubes.push_back(c);
        }
    }
    std::vector<std::uint32_t> minterms;
    for (const std::uint32_t c : cubes) {
        for (std::uint32_t low = 0; low < 64; ++low) {
            minterms.push_back(c * 64 + low);
        }
    }
    std::mt19937 random(17);
    std::shuffle(minterms.begin(), minterms.end(), random);

    std::string list;
    std::string expression;
    std::vector<bool> seen(1u << 11, false);
    for (const std::uint32_t m : minterms) {
        list += (list.empty() ? "" : ",") + std::to_string(m);
        const std::uint32_t cube = m / 64;
        if (seen[cube]) {
            continue;
        }
        seen[cube] = true;
        if (!expression.empty()) {
            expression += " + ";
        }
        for (std::uint32_t v = 0; v < 11; ++v) {
            expression.append("x")
                .append(std::to_string(v))
                .append(((cube >> (10 - v)) & 1u) != 0 ? "" : "'");
        }
    }
    const std::string names = Names("x", 17);
    const std::string text = "f(" + names + ") = m(" + list + ")\n";

    // The chart alone is some 200 MB: only the starred rows are counted and
    // the end of the output is kept.
    std::uint64_t starredRows = 0;
    bool atLineStart = true;
    std::string tail;
    RunOptions options;
    options.stdinPath = WriteInput("input", text);
    options.seconds = 15.0;
    options.keepOutput = false;
    options.onOutput = [&](std::string_view piece) {
        for (const char ch : piece) {
            starredRows += atLineStart && ch == '*' ? 1 : 0;
            atLineStart = ch == '\n';
        }
        tail += piece;
        if (tail.size() > (1u << 20)) {
            tail.erase(0, tail.size() - (1u << 19));
        }
    };
    const RunResult r = Launch(options);
    ExpectAccepted(r);
    EXPECT_EQ(starredRows, kCubes);
    EXPECT_EQ(ResultLine(tail), "f(" + names + ") = " + expression);
    ExpectMemoryWithin(r, text.size(), r.outBytes, 1.0);
    Report("50048 minterms, 17 variables", r);
}

TEST_F(Resource, ManyCopiesOfOneMintermGiveASquareChartInLittleMemory)
{
    // f(a,b,c) = m(5,5,...,5): N prime implicants {5}, numbered 1 to N, and an
    // N x N chart of X's, all candidates of every column. The greedy cover
    // takes the highest row, N. At 65,537 copies the chart has more than 2^32
    // cells (some 21 GB of text); at 30,000 some 4.5 GB.
    struct Case {
        std::uint32_t copies;
        std::uint64_t memoryLimit;
        double seconds;
    };
    for (const Case& c : {Case{30000, 600 * kMiB, 120}, Case{65537, 1536 * kMiB, 600}}) {
        SCOPED_TRACE(std::to_string(c.copies) + " copies");
        const std::uint64_t n = c.copies;
        const RunResult r = RunCounting("f(a,b,c) = m(" + Copies("5", c.copies) + ")\n", c.seconds);
        ExpectAccepted(r);
        std::uint64_t piLines = 0;  // "5 PI#k\n"
        for (std::uint64_t k = 1; k <= n; ++k) {
            piLines += 6 + Digits(k);
        }
        const std::uint64_t chartLine = 11 + 5 * n + 1;
        const std::uint64_t echo = 2 * n + 20;
        const std::uint64_t tabulation = 28 + piLines;
        const std::uint64_t chart = 5 + piLines + 1 + chartLine * (n + 1) + 1 + 16 + 1;
        EXPECT_EQ(r.outBytes, echo + tabulation + chart);
        std::string lastRows = " " + std::to_string(n - 1) + "    ";
        std::string cells;
        for (std::uint64_t j = 0; j < n; ++j) {
            cells += "   X ";
        }
        lastRows += cells + "\n* " + std::to_string(n) + "    " + cells + "\n";
        EXPECT_TRUE(EndsWith(r.out, lastRows + "\nf(a,b,c) = ab'c\n\n"));
        EXPECT_LE(r.peakBytes, static_cast<std::uint64_t>(kMemoryScale * c.memoryLimit));
        Report(c.copies == 30000 ? "30000 copies of 5" : "65537 copies of 5", r);
    }
}

TEST_F(Resource, ThirtyThousandZerosAndThirtyThousandOnesCombineOnce)
{
    // Every copy of 0 pairs with every copy of 1, and all 9 * 10^8 pairs give
    // the same implicant {0,1}: they must cost one combination, not 10^9.
    constexpr std::uint32_t kCopies = 30000;
    const std::string text =
        "f(a) = m(" + Copies("0", kCopies) + "," + Copies("1", kCopies) + ")\n";
    const RunResult r = RunCounting(text, 10);
    ExpectAccepted(r);
    EXPECT_EQ(ResultLine(r.out), "f(a) = ");
    std::string chartTail = "0,1 (1) PI#1\n\n           ";
    for (std::uint32_t j = 0; j < 2 * kCopies; ++j) {
        chartTail += j < kCopies ? "   0 " : "   1 ";
    }
    EXPECT_NE(r.out.find(chartTail + "\n*     1    "), std::string::npos);
    ExpectMemoryWithin(r, text.size(), r.outBytes, 8.0);
    Report("30000 zeros and 30000 ones", r);
}

TEST_F(Resource, WideFunctionsInMemoryThatFollowsTheWork)
{
    struct Case {
        std::string what;
        std::uint32_t numVars;
        std::vector<std::uint32_t> minterms;
        std::uint64_t memoryLimit;
    };
    // 1,000 numbers of even parity: no two differ in one bit, so each is a
    // prime implicant of its own and the result line has 1,000 products of
    // 100,000 literals (some 700 MB). A sanitizer build writes them at a
    // hundredth of the speed: it takes 200.
    const std::size_t numIsolated = kTimeScale > 1 ? 200 : 1000;
    std::vector<std::uint32_t> isolated;
    for (std::uint32_t v = 0; isolated.size() < numIsolated; ++v) {
        if (std::popcount(v) % 2 == 0) {
            isolated.push_back(v);
        }
    }
    const std::vector<Case> cases = {
        {"100000 names, " + std::to_string(numIsolated) + " isolated minterms", 100000, isolated,
         300 * kMiB},
        {"1000000 names, m(0,1)", 1000000, {0, 1}, 300 * kMiB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string list;
        for (const std::uint32_t m : c.minterms) {
            list.append(list.empty() ? "" : ",").append(std::to_string(m));
        }
        const RunResult r = RunCounting("f(" + Names("v", c.numVars) + ") = m(" + list + ")\n", 60);
        ExpectAccepted(r);
        // The last product: the numbers lie below 2^32, so all but the last
        // 32 variables are complemented; m(0,1) eliminates the last one.
        const std::uint32_t last = c.minterms.back();
        const bool merged = c.minterms.size() == 2;
        std::string product;
        for (std::uint32_t v = 0; v + (merged ? 1 : 0) < c.numVars; ++v) {
            const std::uint32_t shift = c.numVars - 1 - v;
            const bool one = shift < 32 && ((last >> shift) & 1u) != 0;
            product.append("v").append(std::to_string(v)).append(one ? "" : "'");
        }
        std::string end = merged ? " = " : " + ";
        end.append(product).append("\n\n");
        EXPECT_TRUE(EndsWith(r.out, end.substr(end.size() - std::min(end.size(), kMiB / 2))));
        EXPECT_LE(r.peakBytes, static_cast<std::uint64_t>(kMemoryScale * c.memoryLimit));
        Report(c.what.c_str(), r);
    }
}

TEST_F(Resource, NumbersAtAndBeyondThirtyTwoBits)
{
    struct Case {
        std::string input;
        std::string echo;
        std::string result;
    };
    const std::string v32 = Names("v", 32);
    const std::string v33 = Names("v", 33);
    std::string v1to31;
    for (int v = 1; v < 32; ++v) {
        v1to31.append("v").append(std::to_string(v));
    }
    std::string v2to32;
    for (int v = 2; v < 33; ++v) {
        v2to32.append("v").append(std::to_string(v));
    }
    const std::vector<Case> cases = {
        // The largest number, alone: its lowest bit is a.
        {"f(a)=m(4294967295)\n", "f(a) = m(4294967295) + d()", "f(a) = a"},
        // 2^32 wraps to 0 and 2^32 + 1 to 1; leading zeros count for nothing.
        {"f(a,b)=m(4294967296,0004294967297)\n", "f(a,b) = m(0,1) + d()", "f(a,b) = a'"},
        // 62 digits, the longest token, modulo 2^32.
        {"f(a)=m(12345678901234567890123456789012345678901234567890123456789012)\n",
         "f(a) = m(2426419732) + d()", "f(a) = a'"},
        // Sums of numbers near the top wrap; these two never combine.
        {"f(a,b)=m(4294967295,0)\n", "f(a,b) = m(4294967295,0) + d()", "f(a,b) = ab + a'b'"},
        // The top bit is the weight of the first of 32 names.
        {"f(" + v32 + ")=m(4294967295,2147483647)\n",
         "f(" + v32 + ") = m(4294967295,2147483647) + d()", "f(" + v32 + ") = " + v1to31},
        // With 33 names the first weighs 2^32: never eliminated, always 0.
        {"f(" + v33 + ")=m(2147483647,4294967295)\n",
         "f(" + v33 + ") = m(2147483647,4294967295) + d()", "f(" + v33 + ") = v0'" + v2to32},
        // A don't-care at the top.
        {"f(a,b)=m(4294967294)+d(4294967295)\n", "f(a,b) = m(4294967294) + d(4294967295)",
         "f(a,b) = a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 80));
        const RunResult r = RunText(c.input);
        ExpectAccepted(r);
        EXPECT_EQ(FirstLine(r.out), c.echo);
        EXPECT_EQ(ResultLine(r.out), c.result);
    }
}

TEST_F(Resource, NulAndHighBytesAreRefusedWhereTheyStand)
{
    // Each byte is put in front of every character of two functions: the
    // reader must refuse it right there (no byte of these is a blank, a
    // token character or part of the grammar), unless it comes after the end
    // of the function, where nothing is read.
    const std::vector<std::string> functions = {
        " f (ab,c) = m (1,23) + d (4)",
        "F\t(x)=\tM(,7,)\t\n",
    };
    const std::string bytes("\x00\x80\xA0\xC3\xE6\xFF", 6);
    for (const std::string& function : functions) {
        const RunResult plain = RunText(function);
        ASSERT_EQ(plain.exitCode, 0) << Describe(plain);
        for (std::size_t at = 0; at <= function.size(); ++at) {
            for (const char byte : bytes) {
                std::string text = function;
                text.insert(at, 1, byte);
                SCOPED_TRACE("byte " + std::to_string(static_cast<unsigned char>(byte)) +
                             " at offset " + std::to_string(at) + " of \"" + function + "\"");
                const RunResult r = RunText(text);
                if (at == function.size()) {
                    ExpectAccepted(r);
                    EXPECT_EQ(r.out, plain.out);
                } else {
                    ExpectRefusedAt(r, at + 1);
                }
            }
        }
    }
}

TEST_F(Resource, StandardOutputThatGoesAway)
{
    // Some 3.5 MB of output, far more than a pipe holds.
    const fs::path input = WriteInput("input", "f(" + Names("v", 100000) + ") = m(1,3)\n");
    const std::string writeError = "qmsop: error writing standard output\n";
    struct Case {
        const char* what;
        std::size_t closeAfter;
        bool ignoreSigpipe;
        const char* stdoutPath;
    };
    const std::vector<Case> cases = {
        {"pipe closed before any output", 0, false, ""},
        {"pipe closed after a little output", 1000, false, ""},
        {"pipe closed, SIGPIPE ignored", 1000, true, ""},
        {"full device", SIZE_MAX, false, "/dev/full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunOptions options;
        options.stdinPath = input;
        options.closeAfter = c.closeAfter;
        options.ignoreSigpipe = c.ignoreSigpipe;
        options.stdoutPath = c.stdoutPath;
        const RunResult r = Launch(options);
        EXPECT_FALSE(r.timedOut) << Describe(r);
        if (r.signal != 0) {
            // A closed pipe may end the run by SIGPIPE, and nothing else may.
            EXPECT_EQ(r.signal, SIGPIPE) << Describe(r);
            EXPECT_FALSE(c.ignoreSigpipe || c.stdoutPath[0] != '\0') << Describe(r);
        } else {
            EXPECT_EQ(r.exitCode, 1) << Describe(r);
            EXPECT_EQ(r.err, writeError);
        }
        Report(c.what, r);
    }
}

TEST_F(Resource, FuzzSeedsAndRegressionsRunCleanly)
{
    // Every kept fuzz input, hand-made seed or past finding: accepted with
    // nothing on standard error, or refused with the output of the empty
    // function and one line on standard error.
    std::vector<fs::path> inputs;
    const std::string dirs = QMSOP_FUZZ_INPUT_DIRS;
    for (std::size_t from = 0; from <= dirs.size();) {
        const std::size_t to = std::min(dirs.find(':', from), dirs.size());
        const fs::path d = dirs.substr(from, to - from);
        if (fs::is_directory(d)) {
            for (const auto& entry : fs::directory_iterator(d)) {
                if (entry.is_regular_file()) {
                    inputs.push_back(entry.path());
                }
            }
        }
        from = to + 1;
    }
    ASSERT_FALSE(inputs.empty());
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        RunOptions options;
        options.stdinPath = input;
        const RunResult r = Launch(options);
        ExpectNoCrashOrHang(r);
        if (r.exitCode == 0) {
            ExpectAccepted(r);
            EXPECT_EQ(ResultLine(r.out).rfind("f(", 0), 0u);
        } else {
            EXPECT_EQ(r.exitCode, 1) << Describe(r);
            EXPECT_EQ(r.out, kEmptyOutput);
            EXPECT_EQ(r.err.rfind("qmsop: input refused at ", 0), 0u) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
    }
}

}  // namespace
