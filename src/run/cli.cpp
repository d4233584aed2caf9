// SPDX-License-Identifier: MIT
#include "run/cli.h"

#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
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
    kName,
    kMissingDontCare,
    kMultiOutput,
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
    {"name", required_argument, nullptr, kName},
    {"missing-dc", no_argument, nullptr, kMissingDontCare},
    {"multi-output", no_argument, nullptr, kMultiOutput},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

std::string Invalid(std::string_view value, std::string_view option, std::string_view valid)
{
    return "invalid argument '" + std::string(value) + "' for '--" + std::string(option) + "' (" +
           std::string(valid) + ")";
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The digits at the front of `text`, which are then dropped from it.
std::size_t SkipDigits(std::string_view& text)
{
    std::size_t n = 0;
    while (n < text.size() && IsDigit(text[n])) {
        ++n;
    }
    text.remove_prefix(n);
    return n;
}

// A decimal number of seconds: digits with an optional fraction and an
// optional exponent (2, 0.5, .5, 1e3), finite and not negative. No sign,
// blank, hexadecimal form, infinity or NaN.
std::optional<double> Seconds(std::string_view value)
{
    std::string_view rest = value;
    std::size_t digits = SkipDigits(rest);
    if (!rest.empty() && rest.front() == '.') {
        rest.remove_prefix(1);
        digits += SkipDigits(rest);
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (!rest.empty() && (rest.front() == 'e' || rest.front() == 'E')) {
        rest.remove_prefix(1);
        if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
            rest.remove_prefix(1);
        }
        if (SkipDigits(rest) == 0) {
            return std::nullopt;
        }
    }
    if (!rest.empty()) {
        return std::nullopt;
    }
    errno = 0;
    const std::string text(value);
    const double seconds = std::strtod(text.c_str(), nullptr);
    if (errno == ERANGE && seconds != 0) {
        return std::nullopt;  // past the largest double
    }
    return std::isfinite(seconds) ? std::optional<double>(seconds) : std::nullopt;
}

// A decimal count of digits only, at most 2^64 - 1.
std::optional<std::uint64_t> Count(std::string_view value)
{
    std::uint64_t count = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (value.empty() || !IsDigit(value.front()) || error != std::errc() ||
        end != value.data() + value.size()) {
        return std::nullopt;
    }
    return count;
}

// A function name: at least one byte, none a blank or a control byte.
bool IsName(std::string_view value)
{
    return !value.empty() && std::none_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 127;
    });
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
        case kMultiOutput:
            options.multiOutput = true;
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
            const std::optional<double> seconds = Seconds(value);
            if (!seconds) {
                return Invalid(value, "time-limit", "a decimal number of seconds, 0 for none");
            }
            options.timeLimitSeconds = *seconds;
            line.timeLimitGiven = true;
            break;
        }
        case kTraceLimit: {
            const std::optional<std::uint64_t> limit = Count(value);
            if (!limit) {
                return Invalid(value, "trace-limit", "a decimal count, 0 for all");
            }
            options.traceLimit = *limit;
            line.traceLimitGiven = true;
            break;
        }
        case kName:
            if (!IsName(value)) {
                return Invalid(value, "name", "a name without blanks or control characters");
            }
            options.name = std::string(value);
            break;
        default:
            break;
    }
    return {};
}

// The options --multi-output cannot go with yet; empty when none.
std::string MultiOutputConflict(const RunOptions& options)
{
    if (!options.multiOutput) {
        return {};
    }
    if (options.pos) {
        return "--multi-output cannot be combined with --pos";
    }
    if (options.cover == CoverMode::kExact) {
        return "--multi-output cannot be combined with --exact";
    }
    if (options.format == OutputFormat::kJson || options.format == OutputFormat::kVerilog) {
        return "--multi-output writes text or pla only, not --format=" +
               std::string(options.format == OutputFormat::kJson ? "json" : "verilog");
    }
    return {};
}

// The options that the others make useless, one warning each.
std::vector<std::string> Warnings(const CommandLine& line)
{
    const RunOptions& options = line.options;
    std::vector<std::string> warnings;
    if (line.timeLimitGiven && options.cover != CoverMode::kExact) {
        warnings.emplace_back("--time-limit has no effect without --exact");
    }
    if (line.traceLimitGiven && options.format != OutputFormat::kJson) {
        warnings.emplace_back("--trace-limit has no effect without --format=json");
    }
    if (options.multiOutput && line.inputGiven && options.input != InputFormat::kPla &&
        options.input != InputFormat::kAuto) {
        warnings.emplace_back("--multi-output has no effect without a PLA input");
    }
    if (options.all && options.input == InputFormat::kPla) {
        warnings.emplace_back("--all has no effect with --input=pla: a PLA file is read whole");
    }
    return warnings;
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
    parsed.error = MultiOutputConflict(parsed.line.options);
    if (!parsed.error.empty()) {
        return parsed;
    }
    parsed.warnings = Warnings(parsed.line);
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
      --time-limit=SECONDS  search budget of --exact, a decimal number
                         (default 10; 0: none)
  -f, --format=FORMAT    text (default), json, pla or verilog
      --input=FORMAT     function (default), pla, expr (expressions such as
                         f = a'b + c, or sum/product lists), table (a truth
                         table) or auto (picked by content); a FILE named
                         *.pla is read as PLA unless --input is given
      --missing-dc       a table's missing rows are don't-cares, not 0
      --multi-output     minimise a PLA's outputs together, sharing products,
                         from its cubes (any number of inputs); text or pla
      --pos              minimise the complement and write a product of sums
      --strict           refuse an input that draws a warning
      --trace-limit=N    list at most N implicants per column, prime
                         implicants, chart rows and chart columns in the JSON
                         trace (0, the default: all)
      --name=NAME        name the function NAME in every format (default f)
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
