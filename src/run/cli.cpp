// SPDX-License-Identifier: MIT
#include "run/cli.h"

#include <getopt.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

#ifndef QMSOP_VERSION
#error "QMSOP_VERSION must be defined by the build"
#endif

namespace qmsop {

namespace {

// Values of the long options that have no short form.
enum LongOnly : int {
    kTimeLimit = 256,
    kInput,
    kPos,
    kStrict,
    kTraceLimit,
    kMissingDontCare,
};

constexpr char kShortOptions[] = ":ahrxVf:";

constexpr option kLongOptions[] = {
    {"all", no_argument, nullptr, 'a'},
    {"result-only", no_argument, nullptr, 'r'},
    {"exact", no_argument, nullptr, 'x'},
    {"time-limit", required_argument, nullptr, kTimeLimit},
    {"format", required_argument, nullptr, 'f'},
    {"input", required_argument, nullptr, kInput},
    {"pos", no_argument, nullptr, kPos},
    {"strict", no_argument, nullptr, kStrict},
    {"trace-limit", required_argument, nullptr, kTraceLimit},
    {"missing-dc", no_argument, nullptr, kMissingDontCare},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

std::string Invalid(std::string_view value, std::string_view option, std::string_view valid)
{
    return "invalid argument '" + std::string(value) + "' for '--" + std::string(option) + "' (" +
           std::string(valid) + ")";
}

// Sets the option `code` with its argument; an error text when it is not usable.
std::string Apply(int code, const char* argument, CommandLine& line)
{
    RunOptions& options = line.options;
    const std::string_view value = argument != nullptr ? argument : "";
    switch (code) {
        case 'a':
            options.all = true;
            break;
        case 'r':
            options.resultOnly = true;
            break;
        case 'x':
            options.cover = CoverMode::kExact;
            break;
        case 'h':
            line.help = true;
            break;
        case 'V':
            line.version = true;
            break;
        case kPos:
            options.pos = true;
            break;
        case kStrict:
            options.strict = true;
            break;
        case kMissingDontCare:
            options.missingDontCare = true;
            break;
        case 'f':
            if (value == "text") {
                options.format = OutputFormat::kText;
            } else if (value == "json") {
                options.format = OutputFormat::kJson;
            } else if (value == "pla") {
                options.format = OutputFormat::kPla;
            } else if (value == "verilog") {
                options.format = OutputFormat::kVerilog;
            } else {
                return Invalid(value, "format", "text, json, pla or verilog");
            }
            break;
        case kInput:
            line.inputGiven = true;
            if (value == "function") {
                options.input = InputFormat::kFunction;
            } else if (value == "pla") {
                options.input = InputFormat::kPla;
            } else if (value == "expr") {
                options.input = InputFormat::kExpr;
            } else if (value == "table") {
                options.input = InputFormat::kTable;
            } else if (value == "auto") {
                options.input = InputFormat::kAuto;
            } else {
                return Invalid(value, "input", "function, pla, expr, table or auto");
            }
            break;
        case kTimeLimit: {
            char* end = nullptr;
            errno = 0;
            const std::string text(value);
            const double seconds = std::strtod(text.c_str(), &end);
            if (value.empty() || *end != '\0' || errno != 0 || !std::isfinite(seconds) ||
                seconds < 0) {
                return Invalid(value, "time-limit", "a number of seconds, 0 for none");
            }
            options.timeLimitSeconds = seconds;
            break;
        }
        case kTraceLimit: {
            char* end = nullptr;
            errno = 0;
            const std::string text(value);
            const unsigned long long limit = std::strtoull(text.c_str(), &end, 10);
            if (value.empty() || value.front() == '-' || *end != '\0' || errno != 0) {
                return Invalid(value, "trace-limit", "a count, 0 for all");
            }
            options.traceLimit = limit;
            break;
        }
        default:
            break;
    }
    return {};
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, const char* const argv[])
{
    // getopt_long may reorder its array; it gets a copy, with a fixed name.
    std::vector<std::string> words(argv, argv + argc);
    if (words.empty()) {
        words.emplace_back("qmsop");
    }
    std::vector<char*> args;
    args.reserve(words.size() + 1);
    for (std::string& word : words) {
        args.push_back(word.data());
    }
    args.push_back(nullptr);

    ParsedCommandLine parsed;
    optind = 0;  // restart the scan (GNU)
    opterr = 0;  // the messages are ours
    const int count = static_cast<int>(words.size());
    for (;;) {
        const int code = getopt_long(count, args.data(), kShortOptions, kLongOptions, nullptr);
        if (code == -1) {
            break;
        }
        const std::string_view word = args[static_cast<std::size_t>(optind - 1)];
        const bool isLong = word.rfind("--", 0) == 0;
        if (code == ':') {
            parsed.error = isLong ? "option '" + std::string(word) + "' requires an argument"
                                  : "option requires an argument -- '" +
                                        std::string(1, static_cast<char>(optopt)) + "'";
            return parsed;
        }
        if (code == '?') {
            if (optopt != 0 && !isLong) {
                parsed.error =
                    "invalid option -- '" + std::string(1, static_cast<char>(optopt)) + "'";
            } else if (optopt != 0) {
                const std::string name(word.substr(0, word.find('=')));
                parsed.error = "option '" + name + "' doesn't allow an argument";
            } else {
                parsed.error = "unrecognized option '" + std::string(word) + "'";
            }
            return parsed;
        }
        parsed.error = Apply(code, optarg, parsed.line);
        if (!parsed.error.empty()) {
            return parsed;
        }
    }
    for (int i = optind; i < count; ++i) {
        parsed.line.files.emplace_back(args[static_cast<std::size_t>(i)]);
    }
    return parsed;
}

std::string HelpText()
{
    return R"(Usage: qmsop [OPTION]... [FILE]...
Minimise Boolean functions by the Quine-McCluskey method and show the working.
Each FILE (standard input when there is none, or for -) holds a function such as
  f(a,b,c) = m(1,3,5,7) + d(0)

  -a, --all              read every line, one function each, to the end of the
                         input; blank lines and lines starting with # are skipped
  -r, --result-only      write only the result line of each function
  -x, --exact            choose a cover with the fewest products, then the
                         fewest literals, and state whether it is proven minimal
      --time-limit=SECONDS  search budget of --exact (default 10; 0: none)
  -f, --format=FORMAT    text (default), json, pla or verilog
      --input=FORMAT     function (default), pla, expr (expressions such as
                         f = a'b + c, or sum/product lists), table (a truth
                         table) or auto (picked by content); a FILE named
                         *.pla is read as PLA unless --input is given
      --missing-dc       a table's missing rows are don't-cares, not 0
      --pos              minimise the complement and write a product of sums
      --strict           refuse an input that draws a warning
      --trace-limit=N    list at most N items of each part of the JSON trace
                         (0, the default: all)
  -h, --help             show this help and exit
  -V, --version          show the version and exit

Exit status: 0 when every function was accepted and written, 1 when an input
was refused or could not be read or written, 2 for a usage error or a FILE that
cannot be opened.
)";
}

std::string VersionText()
{
    return std::string("qmsop ") + QMSOP_VERSION + "\n";
}

}  // namespace qmsop
