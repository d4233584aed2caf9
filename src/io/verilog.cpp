// SPDX-License-Identifier: MIT
#include "io/verilog.h"

#include <algorithm>
#include <iterator>
#include <ostream>
#include <string_view>
#include <unordered_set>

#include "base/textwriter.h"

namespace qmsop {

namespace {

// The reserved words of Verilog-2005 and SystemVerilog-2017, sorted.
constexpr std::string_view kKeywords[] = {
    "accept_on",
    "alias",
    "always",
    "always_comb",
    "always_ff",
    "always_latch",
    "and",
    "assert",
    "assign",
    "assume",
    "automatic",
    "before",
    "begin",
    "bind",
    "bins",
    "binsof",
    "bit",
    "break",
    "buf",
    "bufif0",
    "bufif1",
    "byte",
    "case",
    "casex",
    "casez",
    "cell",
    "chandle",
    "checker",
    "class",
    "clocking",
    "cmos",
    "config",
    "const",
    "constraint",
    "context",
    "continue",
    "cover",
    "covergroup",
    "coverpoint",
    "cross",
    "deassign",
    "default",
    "defparam",
    "design",
    "disable",
    "dist",
    "do",
    "edge",
    "else",
    "end",
    "endcase",
    "endchecker",
    "endclass",
    "endclocking",
    "endconfig",
    "endfunction",
    "endgenerate",
    "endgroup",
    "endinterface",
    "endmodule",
    "endpackage",
    "endprimitive",
    "endprogram",
    "endproperty",
    "endsequence",
    "endspecify",
    "endtable",
    "endtask",
    "enum",
    "event",
    "eventually",
    "expect",
    "export",
    "extends",
    "extern",
    "final",
    "first_match",
    "for",
    "force",
    "foreach",
    "forever",
    "fork",
    "forkjoin",
    "function",
    "generate",
    "genvar",
    "global",
    "highz0",
    "highz1",
    "if",
    "iff",
    "ifnone",
    "ignore_bins",
    "illegal_bins",
    "implements",
    "implies",
    "import",
    "incdir",
    "include",
    "initial",
    "inout",
    "input",
    "inside",
    "instance",
    "int",
    "integer",
    "interconnect",
    "interface",
    "intersect",
    "join",
    "join_any",
    "join_none",
    "large",
    "let",
    "liblist",
    "library",
    "local",
    "localparam",
    "logic",
    "longint",
    "macromodule",
    "matches",
    "medium",
    "modport",
    "module",
    "nand",
    "negedge",
    "nettype",
    "new",
    "nexttime",
    "nmos",
    "nor",
    "noshowcancelled",
    "not",
    "notif0",
    "notif1",
    "null",
    "or",
    "output",
    "package",
    "packed",
    "parameter",
    "pmos",
    "posedge",
    "primitive",
    "priority",
    "program",
    "property",
    "protected",
    "pull0",
    "pull1",
    "pulldown",
    "pullup",
    "pulsestyle_ondetect",
    "pulsestyle_onevent",
    "pure",
    "rand",
    "randc",
    "randcase",
    "randsequence",
    "rcmos",
    "real",
    "realtime",
    "ref",
    "reg",
    "reject_on",
    "release",
    "repeat",
    "restrict",
    "return",
    "rnmos",
    "rpmos",
    "rtran",
    "rtranif0",
    "rtranif1",
    "s_always",
    "s_eventually",
    "s_nexttime",
    "s_until",
    "s_until_with",
    "scalared",
    "sequence",
    "shortint",
    "shortreal",
    "showcancelled",
    "signed",
    "small",
    "soft",
    "solve",
    "specify",
    "specparam",
    "static",
    "string",
    "strong",
    "strong0",
    "strong1",
    "struct",
    "super",
    "supply0",
    "supply1",
    "sync_accept_on",
    "sync_reject_on",
    "table",
    "tagged",
    "task",
    "this",
    "throughout",
    "time",
    "timeprecision",
    "timeunit",
    "tran",
    "tranif0",
    "tranif1",
    "tri",
    "tri0",
    "tri1",
    "triand",
    "trior",
    "trireg",
    "type",
    "typedef",
    "union",
    "unique",
    "unique0",
    "unsigned",
    "until",
    "until_with",
    "untyped",
    "use",
    "uwire",
    "var",
    "vectored",
    "virtual",
    "void",
    "wait",
    "wait_order",
    "wand",
    "weak",
    "weak0",
    "weak1",
    "while",
    "wildcard",
    "wire",
    "with",
    "within",
    "wor",
    "xnor",
    "xor",
};

static_assert(std::is_sorted(std::begin(kKeywords), std::end(kKeywords)));

bool IsKeyword(std::string_view name)
{
    return std::binary_search(std::begin(kKeywords), std::end(kKeywords), name);
}

bool IsSimpleIdentifier(std::string_view name)
{
    const auto letter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    };
    if (name.empty() || !letter(name[0])) {
        return false;
    }
    return std::all_of(name.begin(), name.end(),
                       [&](char c) { return letter(c) || (c >= '0' && c <= '9') || c == '$'; }) &&
           !IsKeyword(name);
}

// The escaped identifier's body: the name with '%' and bytes outside '!'..'~'
// as %XX.
std::string EscapedBody(std::string_view name)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string body;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte >= 127 || c == '%') {
            body += '%';
            body += kHex[byte >> 4];
            body += kHex[byte & 15];
        } else {
            body += c;
        }
    }
    return body;
}

// Output `o` of the result as an expression over the port names.
std::string Expression(const Result& result, std::size_t o, const std::vector<std::string>& ports)
{
    const int constant = result.ConstantOf(o);
    const std::vector<Cube> cubes = result.CoverOf(o);
    const bool pos = result.outputs()[o].pos;
    if (constant >= 0) {
        return constant == 1 ? "1'b1" : "1'b0";
    }
    // Sum of products: (a & ~b) | c. Product of sums: (a | ~b) & c, each
    // sum the complement of a product of the complement's cover.
    const char* inner = pos ? " | " : " & ";
    const char* outer = pos ? " & " : " | ";
    std::string text;
    for (std::size_t p = 0; p < cubes.size(); ++p) {
        const Cube& cube = cubes[p];
        if (p != 0) {
            text += outer;
        }
        const bool group = cube.NumLiterals() > 1 && cubes.size() > 1;
        if (group) {
            text += '(';
        }
        const CoverForm form = pos ? CoverForm::kProductOfSums : CoverForm::kSumOfProducts;
        AppendLiterals(text, cube, form, inner, [&](std::uint32_t v, bool complemented) {
            if (complemented) {
                text += '~';
            }
            text += ports[v];
        });
        if (group) {
            text += ')';
        }
    }
    return text;
}

}  // namespace

std::vector<std::string> VerilogPortNames(const std::vector<std::string>& inputs,
                                          const std::vector<std::string>& outputs)
{
    std::vector<std::string> ports;
    std::unordered_set<std::string> taken;  // identifiers as Verilog compares them
    const auto add = [&](const std::string& name) {
        const bool simple = IsSimpleIdentifier(name);
        const std::string body = simple ? name : EscapedBody(name);
        std::string chosen = body;
        for (std::uint64_t k = 2; !taken.insert(chosen).second; ++k) {
            chosen = body + "_" + std::to_string(k);
        }
        ports.push_back(simple || IsSimpleIdentifier(chosen) ? chosen : "\\" + chosen + " ");
    };
    for (const std::string& name : inputs) {
        add(name);
    }
    for (const std::string& name : outputs) {
        add(name);
    }
    return ports;
}

std::string VerilogModuleName(const std::string& base, std::uint64_t index)
{
    std::string name = base;
    if (index != 0) {
        name += '_';
        name += std::to_string(index + 1);
    }
    if (IsSimpleIdentifier(name)) {
        return name;
    }
    std::string escaped(1, '\\');
    escaped += EscapedBody(name);
    escaped += ' ';
    return escaped;
}

void WriteVerilog(std::ostream& out, const std::string& module, const Result& result)
{
    const std::vector<std::string>& inputs = result.inputs;
    const std::vector<ResultOutput>& outputs = result.outputs();
    std::vector<std::string> outputNames;
    outputNames.reserve(outputs.size());
    for (const ResultOutput& output : outputs) {
        outputNames.push_back(output.name);
    }
    const std::vector<std::string> ports = VerilogPortNames(inputs, outputNames);
    TextWriter writer(out);
    std::string& text = writer.Text();
    text += "module " + module + "(";
    for (std::size_t p = 0; p < ports.size(); ++p) {
        text += p != 0 ? ", " : "";
        text += p < inputs.size() ? "input wire " : "output wire ";
        text += ports[p];
    }
    text += ");\n";
    for (std::size_t o = 0; o < outputs.size(); ++o) {
        text += "  assign " + ports[inputs.size() + o] + " = " + Expression(result, o, ports) + ";";
        writer.EndLine();
    }
    text += "endmodule";
    writer.EndLine();
}

}  // namespace qmsop
