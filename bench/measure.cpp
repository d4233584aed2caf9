// SPDX-License-Identifier: MIT
// qmsop_measure: runs a command and writes how it ended, its peak resident
// set size, its wall time and its CPU time to a file, as one line
//
//   exit CODE PEAK_KIB SECONDS CPU_SECONDS      or
//   signal SIGNAL PEAK_KIB SECONDS CPU_SECONDS
//
// usage: qmsop_measure REPORT_FILE COMMAND [ARGS...]
//
// The command inherits standard input, output and error and the signal
// dispositions. Peak RSS comes from wait4(), which also counts the memory of
// the process that forked the command before it ran exec; started from a
// large process (a test binary, a Python interpreter) every small command
// would show at least that process's size, so this small launcher does the
// fork instead. Once the command runs, the launcher closes its own standard
// streams, so that a reader of the command's output sees its end when the
// command ends.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: qmsop_measure REPORT_FILE COMMAND [ARGS...]\n", stderr);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("qmsop_measure: fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror("qmsop_measure: exec");
        _exit(127);
    }
    close(0);
    close(1);
    close(2);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            return 2;
        }
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const bool exited = WIFEXITED(status);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::FILE* report = std::fopen(argv[1], "w");
    if (report == nullptr ||
        std::fprintf(report, "%s %d %ld %.6f %.6f\n", exited ? "exit" : "signal",
                     exited ? WEXITSTATUS(status) : WTERMSIG(status), usage.ru_maxrss,
                     seconds.count(), cpu) < 0) {
        return 2;
    }
    return std::fclose(report) == 0 ? 0 : 2;
}
