// SPDX-License-Identifier: MIT
// qmsop: minimises the Boolean functions of its input files (or standard
// input) and writes the working. Parses the command line, opens the files
// and hands each to Run; the exit status is the worst of the runs. With
// --exact, a first SIGINT or SIGTERM stops the search, which writes its best
// cover as at its time limit, and the program then exits 128 + the signal's
// number (130, 143); a second one ends it at once.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <string>

#include "run/cli.h"
#include "run/run.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;
constexpr int kSignalBase = 128;  // exit status of a stop by signal s: 128 + s

// The signal that asked the run to stop, 0 for none. The one object with
// static storage in the program, because a signal handler can reach nothing
// else; a lock-free atomic is what a handler may safely store to. The run
// sees it through RunOptions::stop.
std::atomic<int> stopSignal{0};  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

extern "C" void OnStopSignal(int signal)
{
    stopSignal.store(signal);
}

// SIGINT and SIGTERM raise stopSignal once; the handler is reset, so a second
// signal ends the program. A signal the caller ignores stays ignored.
void InstallStopHandlers()
{
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_RESTART;  // reads go on after the first
        ::sigaction(signal, &action, nullptr);
    }
}

// The status of one run, as an exit status.
int ExitStatus(qmsop::RunStatus status)
{
    return status == qmsop::RunStatus::kAccepted ? kSuccess : kFailure;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Runs one FILE ("-" for standard input); its exit status. `modules`
// counts the Verilog modules written so far, which the names of later ones
// avoid.
int RunFile(const std::string& file, qmsop::RunOptions options, bool inputGiven,
            std::uint64_t& modules)
{
    qmsop::RunStats stats;
    options.firstModule = modules;
    if (file == "-") {
        options.inputName = "standard input";
        const qmsop::RunStatus status = qmsop::Run(std::cin, std::cout, options, &stats);
        modules += stats.modules;
        return ExitStatus(status);
    }
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        std::cerr << "qmsop: " << file << ": " << std::strerror(EISDIR) << '\n';
        return kUsage;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int reason = errno;
        std::cerr << "qmsop: " << file << ": " << std::strerror(reason != 0 ? reason : ENOENT)
                  << '\n';
        return kUsage;
    }
    options.inputName = file;
    if (!inputGiven && EndsWith(file, ".pla")) {
        options.input = qmsop::InputFormat::kPla;
        if (options.all) {
            std::cerr << "qmsop: warning: " << file
                      << ": --all has no effect on a PLA file, which is read whole\n";
        }
    }
    const qmsop::RunStatus status = qmsop::Run(in, std::cout, options, &stats);
    modules += stats.modules;
    return ExitStatus(status);
}

}  // namespace

int main(int argc, char* argv[])
{
    std::ios::sync_with_stdio(false);
    try {
        const qmsop::ParsedCommandLine parsed = qmsop::ParseCommandLine(argc, argv);
        if (!parsed.error.empty()) {
            std::cerr << "qmsop: " << parsed.error
                      << "\nTry 'qmsop --help' for more information.\n";
            return kUsage;
        }
        const qmsop::CommandLine& line = parsed.line;
        if (line.help || line.version) {
            std::cout << (line.help ? qmsop::HelpText() : qmsop::VersionText()) << std::flush;
            if (!std::cout) {
                std::cerr << "qmsop: error writing standard output\n";
                return kFailure;
            }
            return kSuccess;
        }
        for (const std::string& warning : parsed.warnings) {
            std::cerr << "qmsop: warning: " << warning << '\n';
        }
        qmsop::RunOptions options = line.options;
        options.messages = &std::cerr;
        if (options.cover == qmsop::CoverMode::kExact) {
            InstallStopHandlers();
            options.stop = &stopSignal;
        }
        int status = kSuccess;
        std::uint64_t modules = 0;
        for (const std::string& file :
             line.files.empty() ? std::vector<std::string>{"-"} : line.files) {
            const int fileStatus = RunFile(file, options, line.inputGiven, modules);
            status = std::max(status, fileStatus);
            if (!std::cout) {
                std::cerr << "qmsop: error writing standard output\n";
                return kFailure;
            }
            if (stopSignal.load() != 0) {
                return kSignalBase + stopSignal.load();
            }
        }
        return status;
    } catch (const std::bad_alloc&) {
        std::cerr << "qmsop: out of memory\n";
        return kFailure;
    }
}
