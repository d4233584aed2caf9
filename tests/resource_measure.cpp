// qmsop_measure RESULT PROGRAM: runs PROGRAM with this process's standard
// streams and signal dispositions, waits for it and writes its end and peak
// memory to the file RESULT as "exit CODE maxrss KB" or "signal SIG maxrss KB".
//
// The resource tests start the program through this small process: a child
// forked straight from the large test process would count the test's own
// memory in its peak.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: qmsop_measure RESULT PROGRAM\n");
        return 2;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        return 2;
    }
    if (pid == 0) {
        ::execl(argv[2], argv[2], static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Only the program holds the standard streams from now on, so that a
    // reader sees their end when the program's end comes.
    ::close(0);
    ::close(1);
    ::close(2);
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            return 2;
        }
    }
    std::FILE* result = std::fopen(argv[1], "w");
    if (result == nullptr) {
        return 2;
    }
    if (WIFEXITED(status)) {
        std::fprintf(result, "exit %d maxrss %ld\n", WEXITSTATUS(status), usage.ru_maxrss);
    } else {
        std::fprintf(result, "signal %d maxrss %ld\n", WTERMSIG(status), usage.ru_maxrss);
    }
    return std::fclose(result) == 0 ? 0 : 2;
}
