// Grid layer benchmark. Fills 10,000 × 6 cells and sorts them once by the first column, through the
// grid layer (as the system's grids do: updates held during the fill, the shared comparison through
// OnSortEvaluate) and through a QStandardItemModel shown in a QTableView. Each phase ends when the
// view has laid out and painted. Prints medians and the ratio per phase.
// The shared helpers include an event-loop runner this benchmark has no use for.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "gridbench.h"
#pragma GCC diagnostic pop
#include "ugctrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

#include <cstdio>
#include <memory>

namespace {

constexpr int kRows = 10000, kCols = 6;
constexpr double kBudget = 2.0;

// The grids of the library sort through the shared comparison, reached by a virtual call.
class BenchGrid : public CUGCtrl
{
public:
    int OnSortEvaluate(CUGCell* a, CUGCell* b, int flags) override
    {
        return DefaultSortEvaluate(a, b, flags);
    }
};

struct Run
{
    double fill = 0, sort = 0;
};

std::vector<QString> makeTexts()
{
    std::vector<QString> t;
    t.reserve(size_t(kRows) * kCols);
    quint32 x = 12345;
    for (int r = 0; r < kRows; ++r) {
        x = x * 1664525u + 1013904223u;
        t.push_back(QStringLiteral("10.%1.%2.%3").arg((x >> 24) & 255).arg((x >> 16) & 255).arg(r % 250));
        t.push_back(QStringLiteral("TX-%1").arg(x % 97));
        t.push_back(QStringLiteral("%1.%2.%3").arg(x % 5).arg(x % 13).arg(x % 31));
        t.push_back(QStringLiteral("Linux 5.%1").arg(x % 19));
        t.push_back((x & 1) ? QStringLiteral("ARMv7") : QStringLiteral("MIPS32"));
        t.push_back(QStringLiteral("node-%1").arg(r));
    }
    return t;
}

Run runGrid(const std::vector<QString>& texts)
{
    BenchGrid g;
    g.CreateGrid();
    g.SetSH_Width(0);
    g.SetNumberCols(kCols);
    showAndSettle(g);
    Run run;
    QElapsedTimer t;
    t.start();
    g.EnableUpdate(false);
    g.SetNumberRows(kRows);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            g.QuickSetText(c, r, texts[size_t(r) * kCols + size_t(c)]);
    g.EnableUpdate(true);
    settleView(g);
    run.fill = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    g.SortBy(0, UG_SORT_ASCENDING);
    settleView(g);
    run.sort = double(t.nsecsElapsed()) / 1e6;
    return run;
}

// The least a standard model must do: make its items off screen, then hand them to the view once.
Run runStandard(const std::vector<QString>& texts)
{
    QTableView v;
    v.verticalHeader()->hide();
    showAndSettle(v);
    Run run;
    QElapsedTimer t;
    t.start();
    auto model = std::make_unique<QStandardItemModel>(kRows, kCols);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            model->setItem(r, c, new QStandardItem(texts[size_t(r) * kCols + size_t(c)]));
    v.setModel(model.get());
    settleView(v);
    run.fill = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    model->sort(0, Qt::AscendingOrder);
    settleView(v);
    run.sort = double(t.nsecsElapsed()) / 1e6;
    v.setModel(nullptr);
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int reps = 5;
    if (const char* r = std::getenv("TARN_BENCH_REPS")) reps = std::max(1, std::atoi(r));
    const std::vector<QString> texts = makeTexts();
    std::vector<double> gf, gs, bf, bs;
    for (int i = 0; i < reps; ++i) {
        const Run b = runStandard(texts);
        const Run g = runGrid(texts);
        bf.push_back(b.fill);
        bs.push_back(b.sort);
        gf.push_back(g.fill);
        gs.push_back(g.sort);
    }
    bool ok = reportRatio("fill, 10,000 x 6 cells", gf, bf, kBudget);
    ok = reportRatio("sort, 10,000 rows by column 0", gs, bs, kBudget) && ok;
    return ok ? 0 : 1;
}
