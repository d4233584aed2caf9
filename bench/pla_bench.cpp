// SPDX-License-Identifier: MIT
// qmsop_pla_bench: the cube engine's minimiser on one PLA file, for bench/run-pla.
//
//   qmsop_pla_bench minimize IN.pla OUT.pla
//     inputs 7 outputs 10 products 65 literals 312 cpu 0.031 peak_kib 3520 verified 1
//   qmsop_pla_bench count RESULT.pla
//     products 65 literals 312
//
// `minimize` writes its cover to OUT.pla (type f); `count` reads any PLA (an
// Espresso result) and counts the rows that serve an output and their input
// literals. The reader is a small one for the benchmark set: keywords .i .o
// .type (f, fd, fr, fdr), `#` comments, cubes split over lines; other keywords
// are skipped.
#include <sys/resource.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cube/minimize.h"
#include "cube/pcube.h"
#include "cube/plarows.h"

namespace {

struct Pla {
    std::uint32_t inputs = 0;
    std::uint32_t outputs = 0;
    qmsop::PlaType type = qmsop::PlaType::kFd;
    std::vector<std::pair<std::string, std::string>> rows;
};

bool ReadPla(std::istream& in, Pla& pla)
{
    std::string line;
    std::string pending;
    while (std::getline(in, line)) {
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.resize(hash);
        }
        std::istringstream words(line);
        std::string word;
        if (!(words >> word)) {
            continue;
        }
        if (word[0] == '.') {
            std::string value;
            words >> value;
            if (word == ".i") {
                pla.inputs = static_cast<std::uint32_t>(std::stoul(value));
            } else if (word == ".o") {
                pla.outputs = static_cast<std::uint32_t>(std::stoul(value));
            } else if (word == ".type") {
                pla.type = value == "f"     ? qmsop::PlaType::kF
                           : value == "fr"  ? qmsop::PlaType::kFr
                           : value == "fdr" ? qmsop::PlaType::kFdr
                                            : qmsop::PlaType::kFd;
            } else if (word == ".e" || word == ".end") {
                break;
            } else if (word == ".mv" || word == ".phase" || word == ".kiss") {
                std::cerr << "qmsop_pla_bench: " << word << " is not read\n";
                return false;
            }
            continue;
        }
        for (const char c : line) {
            if (c != ' ' && c != '\t' && c != '|' && c != '\r') {
                pending += c;
            }
        }
        const std::size_t width = pla.inputs + pla.outputs;
        while (width != 0 && pending.size() >= width) {
            pla.rows.emplace_back(pending.substr(0, pla.inputs),
                                  pending.substr(pla.inputs, pla.outputs));
            pending.erase(0, width);
        }
    }
    return pla.outputs != 0 && pending.empty();
}

void WritePla(std::ostream& out, const qmsop::Cover& cover)
{
    const qmsop::CubeShape& shape = cover.Shape();
    out << ".i " << shape.NumInputs() << "\n.o " << shape.NumOutputs() << "\n.type f\n.p "
        << cover.Size() << "\n";
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        std::string row = qmsop::ToCube(shape, cover[i]).Pattern();
        row += ' ';
        for (std::uint32_t j = 0; j < shape.NumOutputs(); ++j) {
            row += qmsop::HasOutput(shape, cover[i], j) ? '1' : '0';
        }
        out << row << "\n";
    }
    out << ".e\n";
}

double CpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

long PeakKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Minimize(const char* inPath, const char* outPath)
{
    std::ifstream in(inPath);
    Pla pla;
    if (!in || !ReadPla(in, pla)) {
        std::cerr << "qmsop_pla_bench: cannot read " << inPath << "\n";
        return 1;
    }
    const double start = CpuSeconds();
    qmsop::PlaRows rows(pla.inputs, pla.outputs, pla.type);
    for (const auto& [inputs, outputs] : pla.rows) {
        if (rows.Add(inputs, outputs)) {
            std::cerr << "qmsop_pla_bench: bad row " << inputs << " " << outputs << "\n";
            return 1;
        }
    }
    const qmsop::PlaCovers covers = rows.Finish();
    qmsop::MinimizeStats stats;
    const auto result = qmsop::Minimize(covers.on, covers.dc, {}, &stats);
    const double cpu = CpuSeconds() - start;
    if (!result) {
        std::cerr << "qmsop_pla_bench: the result failed its check\n";
        return 1;
    }
    std::ofstream out(outPath);
    WritePla(out, *result);
    std::printf(
        "inputs %u outputs %u products %zu literals %zu cpu %.3f peak_kib %ld verified %d "
        "off %zu essential %zu rounds %u gasps %u\n",
        pla.inputs, pla.outputs, stats.products, stats.literals, cpu, PeakKib(),
        stats.verified ? 1 : 0, stats.offCubes, stats.essentialCubes, stats.rounds,
        stats.lastGasps);
    return out ? 0 : 1;
}

int Count(const char* path)
{
    std::ifstream in(path);
    Pla pla;
    if (!in || !ReadPla(in, pla)) {
        std::cerr << "qmsop_pla_bench: cannot read " << path << "\n";
        return 1;
    }
    std::size_t products = 0;
    std::size_t literals = 0;
    for (const auto& [inputs, outputs] : pla.rows) {
        if (outputs.find_first_of("14") == std::string::npos) {
            continue;
        }
        ++products;
        for (const char c : inputs) {
            literals += (c == '0' || c == '1') ? 1 : 0;
        }
    }
    std::printf("products %zu literals %zu\n", products, literals);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "minimize" && argc == 4) {
        return Minimize(argv[2], argv[3]);
    }
    if (mode == "count" && argc == 3) {
        return Count(argv[2]);
    }
    std::cerr << "usage: qmsop_pla_bench minimize IN.pla OUT.pla | count RESULT.pla\n";
    return 2;
}
