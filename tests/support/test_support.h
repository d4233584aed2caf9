// SPDX-License-Identifier: MIT
// Test support: files read and written whole, and the built program run in
// a scratch directory with its standard output, standard error and status.
//
//   const qmsop::test::Outcome run = qmsop::test::Scratch().Run("$Q -r", "f(a) = m(1)\n");
//   // run.out == "f(a) = a\n", run.err == "", run.status == 0
//
// Cost: each Run starts a shell; files are read in one piece.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qmsop::test {

// The whole contents of a file; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Writes `text` as the whole of a file, replacing it.
inline void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// What a run of the program wrote and its exit status (-1: killed by a signal).
struct Outcome {
    std::string out;
    std::string err;
    int status = -1;
};

// A scratch directory, unique to the process and the instance, removed with
// everything in it when the instance goes.
class Scratch {
public:
    Scratch()
        : dir(std::filesystem::temp_directory_path() /
              ("qmsop_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++)))
    {
        std::filesystem::create_directories(dir);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch() { std::filesystem::remove_all(dir); }

    const std::filesystem::path& path() const { return dir; }

    // Runs `shell` in the directory with `input` as standard input; $Q in
    // `shell` is `program`.
    Outcome Run(const std::string& shell, const std::string& input,
                const std::string& program) const
    {
        WriteFile(dir / "stdin", input);
        const std::string command = "cd '" + dir.string() + "' && Q='" + program + "' && (" +
                                    shell + ") < stdin > stdout 2> stderr";
        const int raw = std::system(command.c_str());
        Outcome outcome;
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        outcome.out = ReadFile(dir / "stdout");
        outcome.err = ReadFile(dir / "stderr");
        return outcome;
    }

#ifdef QMSOP_BINARY
    // Runs `shell` with $Q the built qmsop.
    Outcome Run(const std::string& shell, const std::string& input = "") const
    {
        return Run(shell, input, QMSOP_BINARY);
    }
#endif

private:
    static inline int counter = 0;
    std::filesystem::path dir;
};

}  // namespace qmsop::test
