// SPDX-License-Identifier: MIT
// QMSOP_ASSERT: the fatal assertion of the program's contract checks, active
// in every build type, unlike assert().
//
//   QMSOP_ASSERT(numItems != 0);
//   // broken: "qmsop: unumstack.cpp:20: Pop: Assertion `numItems != 0' failed."
#pragma once

namespace qmsop {

// Reports a broken contract (function, file, line, expression) on standard
// error and aborts.
[[noreturn]] void AssertionFailed(const char* expression, const char* file, unsigned line,
                                  const char* function);

}  // namespace qmsop

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
