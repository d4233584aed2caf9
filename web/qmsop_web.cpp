// SPDX-License-Identifier: MIT
// qmsop_web: the entry of the page's WebAssembly module, one library run per call.
//
// The page's worker (web/worker.js) calls qmsop_run with the function line and
// the options; the run is qmsop::Run, the same call as the command line's. Its
// output reaches JavaScript in chunks of at most 1 MiB through
// Module.onOutput(bytes), so a long report never has to fit in one string:
//
//   Module.onOutput = (bytes) => parts.push(bytes.slice());
//   const status = Module._qmsop_run(line, 1 /* JSON */, 0, 10, 0, 1000);
//
// Memory: the input line, the run's own working memory and one chunk.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "run/run.h"

// Hands bytes [data, data + size) of the module's memory to the worker, which
// copies them before the next call.
// NOLINTNEXTLINE: the macro defines a JavaScript function
EM_JS(void, qmsop_emit, (const char* data, std::size_t size),
      { Module.onOutput(HEAPU8.subarray(data, data + size)); });

namespace {

// A stream buffer that passes its bytes on in chunks, on each flush and
// whenever a chunk is full.
class ChunkOutput final : public std::streambuf {
public:
    ChunkOutput() : buffer_(kChunkSize) { Reset(); }

protected:
    int_type overflow(int_type ch) override
    {
        Emit();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }

    int sync() override
    {
        Emit();
        return 0;
    }

private:
    static constexpr std::size_t kChunkSize = std::size_t{1} << 20;

    void Reset() { setp(buffer_.data(), buffer_.data() + buffer_.size()); }

    void Emit()
    {
        const auto size = static_cast<std::size_t>(pptr() - pbase());
        if (size > 0) {
            qmsop_emit(pbase(), size);
        }
        Reset();
    }

    std::vector<char> buffer_;
};

// The output format by the worker's code: 0 text, 1 JSON, 2 PLA, 3 Verilog.
qmsop::OutputFormat FormatFromCode(int code)
{
    switch (code) {
        case 1:
            return qmsop::OutputFormat::kJson;
        case 2:
            return qmsop::OutputFormat::kPla;
        case 3:
            return qmsop::OutputFormat::kVerilog;
        default:
            return qmsop::OutputFormat::kText;
    }
}

}  // namespace

// Runs the library on `input` (the function line with its newline) and
// returns the run's status: 0 accepted, 1 refused, 2 read error, 3 write
// error. `cover` is 0 for greedy, 1 for exact; `pos` is 0 or 1;
// `traceLimit` caps the lists of the JSON trace (0: none).
extern "C" EMSCRIPTEN_KEEPALIVE int qmsop_run(const char* input, int format, int cover,
                                              double timeLimitSeconds, int pos, double traceLimit)
{
    std::istringstream in{std::string(input)};
    ChunkOutput buffer;
    std::ostream out(&buffer);

    qmsop::RunOptions options;
    options.format = FormatFromCode(format);
    options.cover = cover == 1 ? qmsop::CoverMode::kExact : qmsop::CoverMode::kGreedy;
    options.timeLimitSeconds = timeLimitSeconds;
    options.pos = pos != 0;
    options.traceLimit = traceLimit > 0 ? static_cast<std::uint64_t>(traceLimit) : 0;

    const qmsop::RunStatus status = qmsop::Run(in, out, options);
    out.flush();
    return static_cast<int>(status);
}
