// SPDX-License-Identifier: MIT
// Positional cubes and covers: products of many inputs and outputs packed in
// 64-bit words, with word-parallel containment, intersection, distance,
// consensus and cofactor.
//
//   inputs a b c, outputs f g     row "1-0 10"
//   input part  a=10 b=11 c=01    output part f=1 g=0
//
// Each input takes two bits: 01 the value 0, 10 the value 1, 11 either, 00
// none (the cube is empty). Input i sits at bits 2(i mod 32) and 2(i mod 32)+1
// of word i/32; the outputs take one bit each, output j at bit j mod 64 of word
// InputWords() + j/64. Bits past the last input or output are always 0. A cube
// is empty when one input has 00 or when no output bit is set; the output part
// counts as one more (many-valued) variable in distances and consensus, as in
// Brayton et al., Logic Minimization Algorithms for VLSI Synthesis (1984).
// Every operation on two cubes costs O(W), W = Words(), a word at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "cube/cube.h"

namespace qmsop {

// The layout of the cubes of one function: how many inputs and outputs, and
// how many words each part takes.
class CubeShape {
public:
    CubeShape() = default;
    CubeShape(std::uint32_t numInputs, std::uint32_t numOutputs);

    std::uint32_t NumInputs() const { return numInputs_; }
    std::uint32_t NumOutputs() const { return numOutputs_; }
    std::uint32_t InputWords() const { return inputWords_; }
    std::uint32_t Words() const { return inputWords_ + outputWords_; }
    // The bits in use in word w (the universe cube's word w).
    std::uint64_t FullWord(std::uint32_t w) const;
    // The low bit of every input in use in input word w.
    std::uint64_t LowBits(std::uint32_t w) const { return FullWord(w) & kLowBits; }

    bool operator==(const CubeShape&) const = default;

    static constexpr std::uint64_t kLowBits = 0x5555555555555555ULL;

private:
    std::uint32_t numInputs_ = 0;
    std::uint32_t numOutputs_ = 0;
    std::uint32_t inputWords_ = 0;
    std::uint32_t outputWords_ = 0;
};

using CubeView = std::span<const std::uint64_t>;
using CubeRef = std::span<std::uint64_t>;

// One input's two bits (1 the value 0, 2 the value 1, 3 either). O(1).
inline unsigned InputPart(CubeView cube, std::uint32_t input)
{
    return static_cast<unsigned>((cube[input / 32] >> (2 * (input % 32))) & 3u);
}
// Sets one input's two bits. O(1).
void SetInputPart(CubeRef cube, std::uint32_t input, unsigned part);
inline bool HasOutput(const CubeShape& shape, CubeView cube, std::uint32_t output)
{
    return ((cube[shape.InputWords() + output / 64] >> (output % 64)) & 1u) != 0;
}
void SetOutput(const CubeShape& shape, CubeRef cube, std::uint32_t output, bool value);

// A list of cubes of one shape (at least one output), stored row after row in
// one vector: a value, copied and moved as a whole. Every operation keeps the
// order of the cubes.
class Cover {
public:
    explicit Cover(const CubeShape& shape) : shape_(shape) {}

    const CubeShape& Shape() const { return shape_; }
    // The number of cubes; a default shape (no words) holds none.
    std::size_t Size() const { return shape_.Words() == 0 ? 0 : words_.size() / shape_.Words(); }
    bool Empty() const { return Size() == 0; }
    CubeView operator[](std::size_t i) const
    {
        return {words_.data() + i * shape_.Words(), shape_.Words()};
    }
    CubeRef operator[](std::size_t i)
    {
        return {words_.data() + i * shape_.Words(), shape_.Words()};
    }

    void Add(CubeView cube);
    // Adds the universe cube (every input free, every output set).
    void AddUniverse();
    void Append(const Cover& other);
    void Reserve(std::size_t cubes) { words_.reserve(cubes * shape_.Words()); }
    void Clear();
    // Keeps the cubes whose flag is true, in their order. O(size * W).
    void Keep(const std::vector<bool>& keep);
    // Drops the empty cubes.
    void DropEmpty();

private:
    CubeShape shape_;
    std::vector<std::uint64_t> words_;
};

// The universe cube of a shape.
std::vector<std::uint64_t> Universe(const CubeShape& shape);

// True when the cube has no point: an input 00 or no output. O(W).
bool IsEmptyCube(const CubeShape& shape, CubeView cube);
// True when every bit of b is in a (b ⊆ a). O(W).
bool Contains(CubeView a, CubeView b);
// True when a and b share a point. O(W).
bool Intersects(const CubeShape& shape, CubeView a, CubeView b);
// The inputs on which a and b have no common value, plus 1 when their
// output parts are disjoint: 0 means they intersect. O(W).
std::uint32_t Distance(const CubeShape& shape, CubeView a, CubeView b);
// The consensus of a and b: their intersection at distance 0; at distance 1
// the intersection with the conflicting variable raised to a ∪ b; empty (false)
// at distance 2 or more. O(W).
bool Consensus(const CubeShape& shape, CubeView a, CubeView b, CubeRef out);
// The number of inputs that are not free (the literals of the product). O(W).
std::uint32_t InputLiterals(const CubeShape& shape, CubeView cube);
// The number of outputs the cube serves. O(W).
std::uint32_t OutputCount(const CubeShape& shape, CubeView cube);

// The cofactor of `cover` against cube c: each cube p that meets c, as
// p ∪ ¬c (the parts of c's complement raised). O(size * W).
Cover Cofactor(const Cover& cover, CubeView c);
// The smallest cube containing every cube of the cover (empty cover: all 0).
std::vector<std::uint64_t> Supercube(const Cover& cover);
// Removes every cube contained in another (single-cube containment); among
// equal cubes the first stays. O(size^2 * W), sorted by size first.
void RemoveContained(Cover& cover);

// The cube of a positional cube's input part as a Cube value (the first input
// is the first variable). An input of 00 has no Cube literal: the caller
// passes non-empty cubes. O(n).
Cube ToCube(const CubeShape& shape, CubeView cube);
// Adds `cube` (numVars = NumInputs) serving the outputs that `outputs` lists.
void AddCube(Cover& cover, const Cube& cube, const std::vector<std::uint32_t>& outputs);

}  // namespace qmsop
