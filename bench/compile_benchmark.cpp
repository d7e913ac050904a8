// Compiles an 8 KB submission many times and prints the time per compile
// (bin/compile_benchmark [iterations]).
#include "language/parser_interface.h"
#include "language/script.h"
#include "values/output_list.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    const int iterations = argc > 1 ? std::atoi(argv[1]) : 2000;
    // A mix of the statement forms a user types, repeated up to 8 KB.
    const QByteArray unit =
        "s = 0; for (i = 0; i < 10; i += 1) { if (i % 2 == 0) s += i; else s -= a[i, end]; }\n"
        "m = [1, 2, 3; 4, 5, 6]; v = m[1, *]' .* 2.5; w = f(v)[0] + sin(pi / 4);\n"
        "switch (k) { case 1, 2: x = 1; default: x = 2; }\n";
    QByteArray text;
    while (text.size() + unit.size() < 8190)
        text += unit;

    Script script;
    if (!compileSubmission(script, text).accepted()) {
        std::fprintf(stderr, "benchmark text does not compile\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < iterations; ++i)
        compileSubmission(script, text);
    const double perCompile = double(timer.nsecsElapsed()) / 1000.0 / iterations;
    std::printf("%d bytes, %d bytes of code: %.1f us per compile (%d compiles)\n", int(text.size()),
                script.codeSize(), perCompile, iterations);
    OutputList::instance().clear();
    return 0;
}
