// SPDX-License-Identifier: MIT
#include "io/report.h"

#include <ostream>
#include <sstream>
#include <streambuf>

#include "base/check.h"
#include "tabulation/pos.h"

namespace qmsop {

namespace {

// "name(a,b,c) = "
std::string Head(const std::string& name, const std::vector<std::string>& names)
{
    std::string text = name + "(";
    for (std::size_t v = 0; v < names.size(); ++v) {
        if (v != 0) {
            text += ',';
        }
        text += names[v];
    }
    return text + ") = ";
}

// Passes everything written to it on to `out`, except the last `keep`
// bytes, which it holds back for the caller to replace.
class HoldBackBuffer : public std::streambuf {
public:
    HoldBackBuffer(std::ostream& out, std::size_t keep) : out(out), keep(keep) {}

    // Passes on all but the last `keep` bytes and returns those.
    std::string TakeHeld()
    {
        Pass(held.size() - std::min(keep, held.size()));
        return std::move(held);
    }

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        held.append(text, static_cast<std::size_t>(count));
        if (held.size() >= keep + kChunk) {
            Pass(held.size() - keep);
        }
        return count;
    }
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            const char byte = traits_type::to_char_type(c);
            xsputn(&byte, 1);
        }
        return traits_type::not_eof(c);
    }

private:
    static constexpr std::size_t kChunk = 1 << 16;

    void Pass(std::size_t count)
    {
        out.write(held.data(), static_cast<std::streamsize>(count));
        held.erase(0, count);
    }

    std::ostream& out;
    std::size_t keep;
    std::string held;
};

}  // namespace

std::string ResultLine(const Solution& solution)
{
    const std::vector<std::string>& names = solution.func.names;
    std::string text = Head(solution.name, names);
    if (solution.pos) {
        AppendProductOfSums(text, solution.chart.products(), names);
    } else {
        text += solution.chart.expression();
    }
    return text;
}

std::string EchoLine(const BooleanFunction& func, const std::string& name)
{
    std::ostringstream echo;
    echo << func;
    return name + echo.str().substr(1);
}

void WriteEchoLines(std::ostream& out, const BooleanFunction& func, const std::string& name,
                    const BooleanFunction* complement)
{
    std::string text = EchoLine(func, name) + '\n';
    if (complement != nullptr) {
        text += EchoLine(*complement, name + "'") + '\n';
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void WriteChartReport(std::ostream& out, const Solution& solution)
{
    if (!solution.pos && solution.name == "f") {
        out << solution.chart;  // the default report, streamed
        return;
    }
    const BooleanFunction& minimised = solution.quine.func;
    // The default report ends in "f(a,b,c) = <expression>\n".
    const std::string last = Head("f", minimised.names) + solution.chart.expression() + '\n';
    HoldBackBuffer buffer(out, last.size());
    {
        std::ostream through(&buffer);
        through << solution.chart;
    }
    const std::string held = buffer.TakeHeld();
    QMSOP_ASSERT(held == last);
    std::string text = Head(solution.name + (solution.pos ? "'" : ""), minimised.names) +
                       solution.chart.expression() + '\n';
    if (solution.pos) {
        text += ResultLine(solution);
        text += '\n';
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace qmsop
