// Opening a variable page: a 2000 x 2000 array against a 2 x 2 one. The
// page reads elements only for the cells on screen, so both should cost
// about the same. Each opening builds the page, shows it, lets it lay out
// and paint, and closes it again.
// Usage: variable_page_benchmark [openings]   (default 50)

#include "ui/variable_page.h"
#include "values/index_hash.h"
#include "values/vector.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

namespace {

Variable squareArray(uint32_t size)
{
    Vector vector;
    Vector::create(DOUBLE_TYPE, size, size, vector);
    for (uint32_t i = 0; i < size * size; ++i)
        vector.set(i, double(i) / 7.0);
    return Variable(std::move(vector));
}

// Milliseconds per opening, best of three rounds.
double openPage(const IndexHash &workspace, const QString &name, int openings)
{
    double best = 1e300;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < openings; ++i) {
            VariablePage page(&workspace, name);
            page.resize(800, 600);
            page.show();
            QApplication::processEvents();
            page.repaint();
        }
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6 / openings);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int openings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    IndexHash workspace;
    workspace.insert(QStringLiteral("small"), squareArray(2));
    workspace.insert(QStringLiteral("large"), squareArray(2000));

    openPage(workspace, QStringLiteral("small"), 5); // warm-up: fonts, styles
    const double small = openPage(workspace, QStringLiteral("small"), openings);
    const double large = openPage(workspace, QStringLiteral("large"), openings);
    std::printf("variable page, 2 x 2:       %8.3f ms per opening\n", small);
    std::printf("variable page, 2000 x 2000: %8.3f ms per opening\n", large);
    std::printf("ratio large / small:        %8.2f\n", large / small);
    return 0;
}
