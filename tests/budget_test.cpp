// SPDX-License-Identifier: MIT
// Budgets that hold: the exact cover's time limit at any size, a stop by
// SIGINT or SIGTERM that keeps the best cover, repeated minterms that cost
// nothing, a --pos complement too large to tabulate, and certificates that
// say what was reached. Program runs are child processes with a memory limit
// and their peak memory measured; nothing here asserts a time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cover/cover.h"
#include "io/function.h"
#include "run/run.h"
#include "tabulation/mccluskey.h"
#include "tabulation/quine.h"

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1024} * 1024;
// A safety net against a hang, not a measure: a run still going after this
// long is killed and fails its row.
constexpr int kHangSeconds = 600;

struct Child {
    std::string out;
    std::string err;
    int exitCode = -1;  // -1 when ended by a signal
    int signal = 0;
    std::uint64_t peakBytes = 0;
};

// Writes `text` to a temporary file and returns its descriptor, at its start.
int InputFile(const std::string& text)
{
    char name[] = "/tmp/qmsop_budget_XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) {
        return -1;
    }
    ::unlink(name);
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            ::close(fd);
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    ::lseek(fd, 0, SEEK_SET);
    return fd;
}

// Reads what is ready on `fd` into `into`; false at its end.
bool Drain(int fd, std::string& into)
{
    char buffer[1 << 16];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
        into.append(buffer, static_cast<std::size_t>(n));
        return true;
    }
    return n < 0 && errno == EINTR;
}

// Runs the program with `args` on `input` under an address-space limit
// (none in a sanitizer build); with `stopWith`, sends it that signal once
// it has written its first bytes (the run has begun: its handlers are set).
Child RunProgram(const std::vector<std::string>& args, const std::string& input, int stopWith = 0)
{
    Child child;
    int outPipe[2];
    int errPipe[2];
    const int in = InputFile(input);
    if (in < 0 || ::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) {
        ADD_FAILURE() << "no pipe or input file";
        return child;
    }
    std::vector<char*> argv{const_cast<char*>(QMSOP_BINARY)};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
#ifndef QMSOP_SANITIZED
        const rlimit memory{2048 * kMiB, 2048 * kMiB};
        ::setrlimit(RLIMIT_AS, &memory);
#endif
        ::alarm(kHangSeconds);
        if (::dup2(in, 0) < 0 || ::dup2(outPipe[1], 1) < 0 || ::dup2(errPipe[1], 2) < 0) {
            ::_exit(127);
        }
        ::closefrom(3);
        ::execv(QMSOP_BINARY, argv.data());
        ::_exit(127);
    }
    ::close(in);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    bool signalled = stopWith == 0;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            break;
        }
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd >= 0 && fds[k].revents != 0 &&
                !Drain(fds[k].fd, k == 0 ? child.out : child.err)) {
                ::close(fds[k].fd);
                fds[k].fd = -1;
            }
        }
        if (!signalled && !child.out.empty()) {
            ::kill(pid, stopWith);
            signalled = true;
        }
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    child.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    child.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    child.peakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    return child;
}

std::string Repeated(const std::string& item, std::size_t times)
{
    std::string list = item;
    for (std::size_t k = 1; k < times; ++k) {
        list += ',' + item;
    }
    return list;
}

// The names a0..a(n-1).
std::string Names(std::uint32_t n)
{
    std::string names = "a0";
    for (std::uint32_t v = 1; v < n; ++v) {
        names += ",a" + std::to_string(v);
    }
    return names;
}

// A dense function of `n` variables (half the points, a tenth don't-cares)
// from a fixed linear congruential sequence: its exact cover runs for hours.
std::string DenseFunction(std::uint32_t n)
{
    std::string minterms;
    std::string dontCares;
    std::uint64_t state = 12345;
    for (std::uint32_t p = 0; p < (1u << n); ++p) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const auto draw = static_cast<std::uint32_t>(state >> 33) % 10;
        std::string& list = draw < 5 ? minterms : dontCares;
        if (draw <= 5) {
            if (!list.empty()) {
                list += ',';
            }
            list += std::to_string(p);
        }
    }
    return "f(" + Names(n) + ") = m(" + minterms + ") + d(" + dontCares + ")\n";
}

std::string LastLine(const std::string& text)
{
    const std::size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) {
        return "";
    }
    const std::size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

const std::string kWorked = "f(a,b,c) = m(0,1,2,5) + d(6,7)\n";

// Each budget of the program, run as a user would: the output's last line
// (or a piece of standard error), the exit status and a generous memory bound.
TEST(Budget, ProgramRunsEndWithTheirResultWithinBounds)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        int stopWith;  // a signal sent once the run has begun, or 0
        int exitCode;
        std::string lastLine;  // of standard output; "" for no check
        std::string inError;   // in standard error; "" for none
        std::uint64_t maxMiB;
    };
    const std::vector<Case> cases = {
        {"time limit past the clock's range",
         {"-x", "-r", "--time-limit=1e10"},
         kWorked,
         0,
         0,
         "minimum: 2 products, 4 literals (proven)",
         "",
         64},
        {"time limit near the largest double",
         {"-x", "-r", "--time-limit=1e300"},
         kWorked,
         0,
         0,
         "minimum: 2 products, 4 literals (proven)",
         "",
         64},
        {"16,384 copies of one minterm",
         {"-x", "-r", "--time-limit=1"},
         "f(a,b,c) = m(" + Repeated("5", 16384) + ")\n",
         0,
         0,
         "minimum: 1 product, 3 literals (proven)",
         "",
         256},
        {"repeated minterms and don't-cares under a short limit",
         {"-x", "-r", "--time-limit=0.1"},
         "f(a,b,c,d) = m(1,2,4," + Repeated("5", 8192) + ") + d(" + Repeated("7,9,15", 4096) +
             ")\n",
         0,
         0,
         "minimum: 3 products, 10 literals (proven)",
         "",
         256},
        {"--pos on one minterm of 16 variables",
         {"--pos", "-r"},
         "f(" + Names(16) + ") = m(1)\n",
         0,
         1,
         "f() = ",
         "--pos takes a complement of at most 2097152 implicants",
         256},
        {"SIGINT during the exact search",
         {"-x", "--time-limit=0"},
         DenseFunction(12),
         SIGINT,
         130,
         "",
         "",
         1024},
        {"SIGTERM during the exact search",
         {"-x", "-a", "--time-limit=0"},
         DenseFunction(12) + kWorked,
         SIGTERM,
         143,
         "",
         "",
         1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Child run = RunProgram(c.args, c.input, c.stopWith);
        EXPECT_EQ(run.signal, 0);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (!c.lastLine.empty()) {
            EXPECT_EQ(LastLine(run.out), c.lastLine);
        }
        if (c.stopWith != 0) {
            // The best cover and its bound, as at the time limit; the second
            // function of the -a run is never started.
            const std::string line = LastLine(run.out);
            EXPECT_TRUE(line.starts_with("best found: ")) << line;
            EXPECT_TRUE(line.ends_with(" (interrupted)")) << line;
            EXPECT_EQ(run.out.find("f(a,b,c) ="), std::string::npos);
            EXPECT_NE(run.out.find("\nf(a0,"), std::string::npos);
        }
        if (!c.inError.empty()) {
            EXPECT_NE(run.err.find(c.inError), std::string::npos) << run.err;
        }
        EXPECT_LT(run.peakBytes, c.maxMiB * kMiB);
    }
}

qmsop::ExactCoverResult SolveWith(const std::string& text, const qmsop::ExactCoverOptions& options)
{
    qmsop::Quine quine;
    std::istringstream in(text);
    qmsop::ReadFunction(in, quine.func);
    quine.FindPrimeImplicants();
    qmsop::McCluskey chart(quine);
    qmsop::ExactCoverResult result;
    chart.Solve(qmsop::ExactCoverSelector(options, &result));
    return result;
}

// Certificates when the budget ends early, and the product of sums' own
// words: what is claimed is what was reached.
TEST(Budget, CertificatesSayWhatWasReached)
{
    const std::string cyclic = "f(a,b,c) = m(0,1,2,5,6,7)\n";
    qmsop::ExactCoverOptions oneNode;
    oneNode.nodeLimit = 1;  // the budget ends at the root, before any bound
    qmsop::StopFlag raised{SIGINT};
    qmsop::ExactCoverOptions stopped;
    stopped.stop = &raised;
    struct Case {
        const char* name;
        qmsop::ExactCoverResult result;
        qmsop::CoverTerm term;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"budget ends before the first bound", SolveWith(cyclic, oneNode),
         qmsop::CoverTerm::kProduct,
         "best found: 3 products, 6 literals; no lower bound was reached (time limit reached)"},
        {"stop flag raised before the search", SolveWith(cyclic, stopped),
         qmsop::CoverTerm::kProduct,
         "best found: 3 products, 6 literals; no lower bound was reached (interrupted)"},
        {"sums of a product of sums", SolveWith(kWorked, {}), qmsop::CoverTerm::kSum,
         "minimum: 2 sums, 4 literals (proven)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(qmsop::CertificateLine(c.result, c.term), c.line);
    }

    // Through the run: --pos --exact counts sums.
    qmsop::RunOptions options;
    options.cover = qmsop::CoverMode::kExact;
    options.pos = true;
    options.resultOnly = true;
    std::istringstream in(kWorked);
    std::ostringstream out;
    EXPECT_EQ(qmsop::Run(in, out, options), qmsop::RunStatus::kAccepted);
    EXPECT_EQ(out.str(), "f(a,b,c) = (a' + c)(b' + c')\nminimum: 2 sums, 4 literals (proven)\n");
}

}  // namespace
