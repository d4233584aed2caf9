// SPDX-License-Identifier: MIT
// The command line: `qmsop [OPTION]... [FILE]...`, parsed with getopt_long
// after the conventions of GNU tools, into the options of a run.
//
//   qmsop --all --result-only funcs.txt -
//
// Cost: linear in the arguments. Parsing only reads the arguments; printing,
// opening files and running are the caller's.
#pragma once

#include <string>
#include <vector>

#include "run/run.h"

namespace qmsop {

// What the arguments ask for.
struct CommandLine {
    RunOptions options;
    std::vector<std::string> files;  // in order; "-" is standard input; none: standard input
    bool inputGiven = false;         // --input was given (else *.pla files are read as PLA)
    bool timeLimitGiven = false;
    bool traceLimitGiven = false;
    bool help = false;
    bool version = false;
};

// The parsed command line, or `error` (e.g. "unrecognized option '--x'")
// when the arguments are not usable; `error` is empty on success. The
// warnings name options that have no effect with the others (each without
// "qmsop: warning: ").
struct ParsedCommandLine {
    CommandLine line;
    std::string error;
    std::vector<std::string> warnings;
};

// Parses argv[1..argc-1]; argv itself is left as it is.
ParsedCommandLine ParseCommandLine(int argc, const char* const argv[]);

// The text of --help: usage and every option, each line ended.
std::string HelpText();

// The text of --version, "qmsop 1.1.0\n".
std::string VersionText();

}  // namespace qmsop
