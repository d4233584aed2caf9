// SPDX-License-Identifier: MIT
// UNumStack: a last-in-first-out stack of unsigned 32-bit values.
//
// Cost: Push, Pop and Top are amortised O(1). Invariant: Top() of an empty
// stack is the sentinel kEmptyTop; popping an empty stack is a fatal assertion.
#pragma once

#include <cstdint>
#include <vector>

namespace qmsop {

class UNumStack {
public:
    static constexpr std::uint32_t kEmptyTop = 0xFFFFFFFFu;

    void Push(std::uint32_t value) { items.push_back(value); }
    // Removes and returns the top value; popping an empty stack is a fatal assertion.
    std::uint32_t Pop();
    // The top value, left on the stack; kEmptyTop (all bits set) when the stack is empty.
    std::uint32_t Top() const { return items.empty() ? kEmptyTop : items.back(); }
    void Clear() { items.clear(); }
    std::uint32_t numItems() const { return static_cast<std::uint32_t>(items.size()); }

private:
    std::vector<std::uint32_t> items;  // bottom first, top last
};

}  // namespace qmsop
