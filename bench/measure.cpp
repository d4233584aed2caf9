// qmsop_bench_measure: runs a command and writes its wall time, peak resident set
// size and CPU time to a file, as "seconds peak_kib exit_status cpu_seconds".
//
//   qmsop_bench_measure REPORT_FILE COMMAND [ARGS...]
//
// The command inherits standard input, output and error. Peak RSS comes from
// wait4(), which also counts the memory of the process that forked the
// command before it ran exec; measured from a large process (a Python
// interpreter) every small command would show at least that process's size,
// so this small launcher does the fork instead.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: qmsop_bench_measure REPORT_FILE COMMAND [ARGS...]\n", stderr);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("qmsop_bench_measure: fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror("qmsop_bench_measure: exec");
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("qmsop_bench_measure: wait4");
            return 2;
        }
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::FILE* report = std::fopen(argv[1], "w");
    if (report == nullptr ||
        std::fprintf(report, "%.6f %ld %d %.6f\n", seconds.count(), usage.ru_maxrss, exitStatus,
                     cpu) < 0 ||
        std::fclose(report) != 0) {
        std::perror("qmsop_bench_measure: report");
        return 2;
    }
    return 0;
}
