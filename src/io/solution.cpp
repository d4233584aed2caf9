// SPDX-License-Identifier: MIT
#include "io/solution.h"

#include <algorithm>

namespace qmsop {

void Result::AddOutput(std::string name, const std::vector<Cube>& cover, bool pos)
{
    ResultOutput output{std::move(name), {}, pos};
    output.cubes.reserve(cover.size());
    for (const Cube& cube : cover) {
        const auto [it, added] =
            positionOf.try_emplace(cube.Pattern(), static_cast<std::uint32_t>(cubes_.size()));
        if (added) {
            cubes_.push_back(cube);
        }
        output.cubes.push_back(it->second);
    }
    outputs_.push_back(std::move(output));
}

std::vector<Cube> Result::CoverOf(std::size_t o) const
{
    std::vector<Cube> cover;
    cover.reserve(outputs_[o].cubes.size());
    for (const std::uint32_t c : outputs_[o].cubes) {
        cover.push_back(cubes_[c]);
    }
    return cover;
}

int Result::ConstantOf(std::size_t o) const
{
    const ResultOutput& output = outputs_[o];
    const bool one = std::any_of(output.cubes.begin(), output.cubes.end(),
                                 [&](std::uint32_t c) { return cubes_[c].NumLiterals() == 0; });
    if (!one && !output.cubes.empty()) {
        return -1;
    }
    return one != output.pos ? 1 : 0;
}

}  // namespace qmsop
