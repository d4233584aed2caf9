// SPDX-License-Identifier: MIT
// UNumStack: a last-in-first-out stack of unsigned 32-bit values, and the
// fatal assertion used for the program's contract checks.
#pragma once

#include <cstdint>
#include <vector>

namespace qmsop {

// Reports a broken contract (function, file, line, expression) on standard
// error and aborts. Active in every build type, unlike assert().
[[noreturn]] void AssertionFailed(const char* expression, const char* file, unsigned line,
                                  const char* function);

// The file is named without its folder where the compiler can (__FILE_NAME__),
// so that the program does not carry the path of the tree it was built in.
#ifdef __FILE_NAME__
#define QMSOP_ASSERT_FILE __FILE_NAME__
#else
#define QMSOP_ASSERT_FILE __FILE__
#endif
#define QMSOP_ASSERT(expr)         \
    ((expr) ? static_cast<void>(0) \
            : ::qmsop::AssertionFailed(#expr, QMSOP_ASSERT_FILE, __LINE__, __func__))

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
