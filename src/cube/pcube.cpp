// SPDX-License-Identifier: MIT
#include "cube/pcube.h"

#include <algorithm>
#include <bit>
#include <numeric>

#include "base/check.h"

namespace qmsop {

namespace {

// The two-bit mask of every input whose two bits in x are both 0.
std::uint64_t EmptyInputs(std::uint64_t x, std::uint64_t lowBits)
{
    return ~(x | (x >> 1)) & lowBits;
}

}  // namespace

CubeShape::CubeShape(std::uint32_t numInputs, std::uint32_t numOutputs)
    : numInputs_(numInputs),
      numOutputs_(numOutputs),
      inputWords_((numInputs + 31) / 32),
      outputWords_((numOutputs + 63) / 64)
{
    QMSOP_ASSERT(numOutputs >= 1);
}

std::uint64_t CubeShape::FullWord(std::uint32_t w) const
{
    if (w < inputWords_) {
        const std::uint32_t bits = 2 * numInputs_ - 64 * w;
        return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    }
    const std::uint32_t bits = numOutputs_ - 64 * (w - inputWords_);
    return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

void SetInputPart(CubeRef cube, std::uint32_t input, unsigned part)
{
    const unsigned shift = 2 * (input % 32);
    std::uint64_t& word = cube[input / 32];
    word = (word & ~(std::uint64_t{3} << shift)) | (std::uint64_t{part & 3u} << shift);
}

void SetOutput(const CubeShape& shape, CubeRef cube, std::uint32_t output, bool value)
{
    std::uint64_t& word = cube[shape.InputWords() + output / 64];
    const std::uint64_t bit = std::uint64_t{1} << (output % 64);
    word = value ? (word | bit) : (word & ~bit);
}

void Cover::Add(CubeView cube)
{
    QMSOP_ASSERT(cube.size() == shape_.Words());
    words_.insert(words_.end(), cube.begin(), cube.end());
}

void Cover::AddUniverse()
{
    for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
        words_.push_back(shape_.FullWord(w));
    }
}

void Cover::Append(const Cover& other)
{
    QMSOP_ASSERT(other.shape_ == shape_);
    words_.insert(words_.end(), other.words_.begin(), other.words_.end());
}

void Cover::Clear()
{
    words_.clear();
}

void Cover::Keep(const std::vector<bool>& keep)
{
    const std::size_t n = Size();
    const std::size_t words = shape_.Words();
    std::size_t out = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!keep[i]) {
            continue;
        }
        if (out != i) {
            std::copy_n(words_.begin() + static_cast<std::ptrdiff_t>(i * words), words,
                        words_.begin() + static_cast<std::ptrdiff_t>(out * words));
        }
        ++out;
    }
    words_.resize(out * words);
}

void Cover::DropEmpty()
{
    std::vector<bool> keep(Size());
    for (std::size_t i = 0; i < Size(); ++i) {
        keep[i] = !IsEmptyCube(shape_, (*this)[i]);
    }
    Keep(keep);
}

std::vector<std::uint64_t> Universe(const CubeShape& shape)
{
    std::vector<std::uint64_t> cube(shape.Words());
    for (std::uint32_t w = 0; w < shape.Words(); ++w) {
        cube[w] = shape.FullWord(w);
    }
    return cube;
}

bool IsEmptyCube(const CubeShape& shape, CubeView cube)
{
    for (std::uint32_t w = 0; w < shape.InputWords(); ++w) {
        if (EmptyInputs(cube[w], shape.LowBits(w)) != 0) {
            return true;
        }
    }
    for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
        if (cube[w] != 0) {
            return false;
        }
    }
    return true;
}

bool Contains(CubeView a, CubeView b)
{
    for (std::size_t w = 0; w < a.size(); ++w) {
        if ((b[w] & ~a[w]) != 0) {
            return false;
        }
    }
    return true;
}

bool Intersects(const CubeShape& shape, CubeView a, CubeView b)
{
    for (std::uint32_t w = 0; w < shape.InputWords(); ++w) {
        if (EmptyInputs(a[w] & b[w], shape.LowBits(w)) != 0) {
            return false;
        }
    }
    for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
        if ((a[w] & b[w]) != 0) {
            return true;
        }
    }
    return false;
}

std::uint32_t Distance(const CubeShape& shape, CubeView a, CubeView b)
{
    std::uint32_t distance = 0;
    for (std::uint32_t w = 0; w < shape.InputWords(); ++w) {
        distance +=
            static_cast<std::uint32_t>(std::popcount(EmptyInputs(a[w] & b[w], shape.LowBits(w))));
    }
    bool outputsMeet = false;
    for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
        outputsMeet = outputsMeet || (a[w] & b[w]) != 0;
    }
    return distance + (outputsMeet ? 0 : 1);
}

bool Consensus(const CubeShape& shape, CubeView a, CubeView b, CubeRef out)
{
    const std::uint32_t distance = Distance(shape, a, b);
    if (distance >= 2) {
        return false;
    }
    for (std::uint32_t w = 0; w < shape.Words(); ++w) {
        out[w] = a[w] & b[w];
    }
    if (distance == 0) {
        return true;
    }
    for (std::uint32_t w = 0; w < shape.InputWords(); ++w) {
        const std::uint64_t empty = EmptyInputs(out[w], shape.LowBits(w));
        if (empty != 0) {
            const std::uint64_t mask = empty | (empty << 1);
            out[w] |= (a[w] | b[w]) & mask;
            return true;
        }
    }
    for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
        out[w] = a[w] | b[w];
    }
    return true;
}

std::uint32_t InputLiterals(const CubeShape& shape, CubeView cube)
{
    std::uint32_t literals = 0;
    for (std::uint32_t w = 0; w < shape.InputWords(); ++w) {
        const std::uint64_t x = cube[w];
        // An input is free when both its bits are set.
        literals += static_cast<std::uint32_t>(std::popcount(~(x & (x >> 1)) & shape.LowBits(w)));
    }
    return literals;
}

std::uint32_t OutputCount(const CubeShape& shape, CubeView cube)
{
    std::uint32_t count = 0;
    for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
        count += static_cast<std::uint32_t>(std::popcount(cube[w]));
    }
    return count;
}

Cover Cofactor(const Cover& cover, CubeView c)
{
    const CubeShape& shape = cover.Shape();
    Cover result(shape);
    result.Reserve(cover.Size());
    std::vector<std::uint64_t> raised(shape.Words());
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        const CubeView p = cover[i];
        if (!Intersects(shape, p, c)) {
            continue;
        }
        for (std::uint32_t w = 0; w < shape.Words(); ++w) {
            raised[w] = p[w] | (~c[w] & shape.FullWord(w));
        }
        result.Add(raised);
    }
    return result;
}

std::vector<std::uint64_t> Supercube(const Cover& cover)
{
    std::vector<std::uint64_t> cube(cover.Shape().Words(), 0);
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        const CubeView p = cover[i];
        for (std::size_t w = 0; w < cube.size(); ++w) {
            cube[w] |= p[w];
        }
    }
    return cube;
}

void RemoveContained(Cover& cover)
{
    const std::size_t n = cover.Size();
    std::vector<std::uint32_t> weight(n);
    for (std::size_t i = 0; i < n; ++i) {
        for (const std::uint64_t word : cover[i]) {
            weight[i] += static_cast<std::uint32_t>(std::popcount(word));
        }
    }
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return weight[a] > weight[b]; });
    std::vector<bool> keep(n, false);
    std::vector<std::size_t> kept;
    for (const std::size_t i : order) {
        const bool covered = std::any_of(kept.begin(), kept.end(), [&](std::size_t k) {
            return weight[k] >= weight[i] && Contains(cover[k], cover[i]);
        });
        if (!covered) {
            keep[i] = true;
            kept.push_back(i);
        }
    }
    cover.Keep(keep);
}

Cube ToCube(const CubeShape& shape, CubeView cube)
{
    std::vector<Literal> literals(shape.NumInputs(), Literal::kFree);
    for (std::uint32_t i = 0; i < shape.NumInputs(); ++i) {
        const unsigned part = InputPart(cube, i);
        literals[i] = part == 1 ? Literal::kZero : part == 2 ? Literal::kOne : Literal::kFree;
    }
    return Cube(std::move(literals));
}

void AddCube(Cover& cover, const Cube& cube, const std::vector<std::uint32_t>& outputs)
{
    const CubeShape& shape = cover.Shape();
    QMSOP_ASSERT(cube.numVars() == shape.NumInputs());
    std::vector<std::uint64_t> words(shape.Words(), 0);
    for (std::uint32_t i = 0; i < shape.NumInputs(); ++i) {
        const Literal literal = cube[i];
        SetInputPart(words, i, literal == Literal::kZero ? 1u : literal == Literal::kOne ? 2u : 3u);
    }
    for (const std::uint32_t output : outputs) {
        SetOutput(shape, words, output, true);
    }
    cover.Add(words);
}

}  // namespace qmsop
