// Opening a variable page: a 2000 x 2000 array against a 2 x 2 one (and a
// 40 x 40 one that fills the page, so that the cost of painting a full
// screen of cells is seen apart from the array's size). The page reads
// elements only for the cells on screen, so the large array should cost
// about what the screenful costs. Each opening builds the page, shows it,
// lets it lay out and paint, and closes it again. Times are the thread's
// CPU time, so that other work on the machine does not count; each figure
// is the best of five interleaved rounds.
// Usage: variable_page_benchmark [openings per round]   (default 20)

#include "ui/variable_page.h"
#include "values/index_hash.h"
#include "values/vector.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

Variable squareArray(uint32_t size)
{
    Vector vector;
    Vector::create(DOUBLE_TYPE, size, size, vector);
    for (uint32_t i = 0; i < size * size; ++i)
        vector.set(i, double(i) / 7.0);
    return Variable(std::move(vector));
}

double threadMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Milliseconds per opening.
double openPage(const IndexHash &workspace, const QString &name, int openings)
{
    const double start = threadMilliseconds();
    for (int i = 0; i < openings; ++i) {
        VariablePage page(&workspace, name);
        page.resize(800, 600);
        page.show();
        QApplication::processEvents();
        page.repaint();
    }
    return (threadMilliseconds() - start) / openings;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int openings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    const struct {
        const char *name;
        uint32_t size;
        const char *label;
    } cases[] = {
        {"small", 2, "2 x 2"},
        {"screen", 40, "40 x 40"},
        {"large", 2000, "2000 x 2000"},
    };
    IndexHash workspace;
    for (const auto &c : cases)
        workspace.insert(QLatin1String(c.name), squareArray(c.size));

    openPage(workspace, QStringLiteral("screen"), 5); // warm-up: fonts, styles
    double best[std::size(cases)];
    std::fill(std::begin(best), std::end(best), 1e300);
    for (int round = 0; round < 5; ++round)
        for (size_t c = 0; c < std::size(cases); ++c)
            best[c] = std::min(best[c], openPage(workspace, QLatin1String(cases[c].name), openings));

    for (size_t c = 0; c < std::size(cases); ++c)
        std::printf("variable page, %-12s %8.3f ms per opening\n", cases[c].label, best[c]);
    std::printf("ratio 2000 x 2000 / 2 x 2:   %6.2f\n", best[2] / best[0]);
    std::printf("ratio 2000 x 2000 / 40 x 40: %6.2f\n", best[2] / best[1]);
    return 0;
}
