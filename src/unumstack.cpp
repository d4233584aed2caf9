// SPDX-License-Identifier: MIT
#include "unumstack.h"

#include <cstdio>
#include <cstdlib>

namespace qmsop {

void AssertionFailed(const char* expression, const char* file, unsigned line, const char* function)
{
    std::fprintf(stderr, "qmsop: %s:%u: %s: Assertion `%s' failed.\n", file, line, function,
                 expression);
    std::fflush(stderr);
    std::abort();
}

std::uint32_t UNumStack::Pop()
{
    const std::uint32_t numItems = this->numItems();
    QMSOP_ASSERT(numItems != 0);
    const std::uint32_t value = items.back();
    items.pop_back();
    return value;
}

}  // namespace qmsop
