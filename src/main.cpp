// qmsop: reads one Boolean function from standard input and writes its
// Quine–McCluskey minimisation: echo line, tabulation, chart and result.
#include <iostream>
#include <new>

#include "function.h"
#include "mccluskey.h"
#include "quine.h"

int main()
{
    std::ios::sync_with_stdio(false);
    try {
        qmsop::Quine quine;
        const qmsop::ReadResult read = qmsop::ReadFunction(std::cin, quine.func);
        std::cout << quine.func << '\n' << std::flush;
        quine.FindPrimeImplicants();
        std::cout << quine << '\n' << std::flush;
        {
            qmsop::McCluskey chart(quine);
            chart.Solve();
            std::cout << chart << '\n' << std::flush;
        }
        if (!std::cout) {
            std::cerr << "qmsop: error writing standard output\n";
            return 1;
        }
        if (!read.accepted) {
            std::cerr << "qmsop: " << qmsop::DescribeRefusal(read) << '\n';
            return 1;
        }
        return 0;
    } catch (const std::bad_alloc&) {
        std::cerr << "qmsop: out of memory\n";
        return 1;
    }
}
