// SPDX-License-Identifier: MIT
#include "base/check.h"

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

}  // namespace qmsop
