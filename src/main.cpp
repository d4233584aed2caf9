// SPDX-License-Identifier: MIT
// qmsop: reads one Boolean function from standard input and writes its
// Quine–McCluskey minimisation: echo line, tabulation, chart and result.
#include <iostream>
#include <new>

#include "run.h"

int main()
{
    std::ios::sync_with_stdio(false);
    try {
        qmsop::RunOptions options;
        options.messages = &std::cerr;
        const qmsop::RunStatus status = qmsop::Run(std::cin, std::cout, options);
        if (status == qmsop::RunStatus::kWriteError) {
            std::cerr << "qmsop: error writing standard output\n";
        }
        return status == qmsop::RunStatus::kAccepted ? 0 : 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "qmsop: out of memory\n";
        return 1;
    }
}
