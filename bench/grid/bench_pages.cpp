// The console's list pages against a plain QStandardItemModel in a QTableView holding the same cells.
//
// device list: 10,000 agents × 6 columns (check box and label in column 0);
// process grid: 5,000 process rows in 50 agent groups (agent row, item rows, separator);
// each: fill, one sort by a heading, one filter keystroke (device list only: the standard side filters
// through a QSortFilterProxyModel over every column), and removal of one agent's rows. Every phase
// ends when the view has laid out and painted. Medians of the runs and their ratios.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "gridbench.h"
#pragma GCC diagnostic pop
#include "zrdevlistgrid.h"
#include "zrprocessgrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>

#include <cstdio>
#include <memory>

namespace {

constexpr int kAgents = 10000, kDevCols = 6;
constexpr int kGroups = 50, kPerGroup = 100;
constexpr double kBudget = 2.0;

struct Phases
{
    double fill = 0, sort = 0, filter = 0, remove = 0;
};

struct Device
{
    QString texts[kDevCols];
};

std::vector<Device> makeDevices()
{
    std::vector<Device> d(kAgents);
    quint32 x = 4242;
    for (int r = 0; r < kAgents; ++r) {
        x = x * 1664525u + 1013904223u;
        d[r].texts[0] = QStringLiteral("10.%1.%2.%3").arg(r / 65536).arg((r / 256) % 256).arg(r % 256);
        d[r].texts[1] = QStringLiteral("TRN-%1").arg(100 + x % 400);
        d[r].texts[2] = QStringLiteral("%1.%2.%3").arg(x % 5).arg(x % 13).arg(x % 31);
        d[r].texts[3] = (x & 2) ? QStringLiteral("Linux 5.%1").arg(x % 19) : QStringLiteral("Windows CE 6.0");
        d[r].texts[4] = (x & 1) ? QStringLiteral("ARMv7") : QStringLiteral("MIPS32");
        d[r].texts[5] = QStringLiteral("node-%1").arg(r);
    }
    return d;
}

double msSince(QElapsedTimer& t)
{
    const double ms = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    return ms;
}

// A keystroke in the filter: the operator types "5" after "10.0.1".
const QString kFilterText = QStringLiteral("10.0.15");

Phases devListGrid(const std::vector<Device>& devices)
{
    CZRDevListGrid g;
    g.CreateGrid(1);
    showAndSettle(g);
    Phases p;
    QElapsedTimer t;
    t.start();
    // The console fills a gateway's list knowing its size, as the standard model is made with it.
    g.ReserveRows(long(devices.size()));
    for (const Device& d : devices)
        g.AddItem(d.texts[0], QString(), d.texts[1], d.texts[2], d.texts[3], d.texts[4], d.texts[5]);
    settleView(g);
    p.fill = msSince(t);
    g.OnTH_LClicked(1, -1, 1, nullptr, nullptr, 0);
    settleView(g);
    p.sort = msSince(t);
    g.SetFilter(kFilterText.left(kFilterText.size() - 1));
    settleView(g);
    t.restart();
    g.SetFilter(kFilterText);
    settleView(g);
    p.filter = msSince(t);
    g.SetFilter(QString());
    settleView(g);
    t.restart();
    g.RemoveItem(devices[kAgents / 2].texts[0]);
    settleView(g);
    p.remove = msSince(t);
    return p;
}

Phases devListStandard(const std::vector<Device>& devices)
{
    QTableView v;
    v.verticalHeader()->hide();
    showAndSettle(v);
    Phases p;
    QElapsedTimer t;
    t.start();
    auto model = std::make_unique<QStandardItemModel>(kAgents, kDevCols);
    for (int r = 0; r < kAgents; ++r) {
        auto* first = new QStandardItem(devices[r].texts[0]);
        first->setCheckable(true);
        first->setCheckState(Qt::Unchecked);
        model->setItem(r, 0, first);
        for (int c = 1; c < kDevCols; ++c)
            model->setItem(r, c, new QStandardItem(devices[r].texts[c]));
    }
    QSortFilterProxyModel proxy;
    proxy.setFilterKeyColumn(-1);
    proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy.setSourceModel(model.get());
    v.setModel(&proxy);
    settleView(v);
    p.fill = msSince(t);
    proxy.sort(1, Qt::AscendingOrder);
    settleView(v);
    p.sort = msSince(t);
    proxy.setFilterFixedString(kFilterText.left(kFilterText.size() - 1));
    settleView(v);
    t.restart();
    proxy.setFilterFixedString(kFilterText);
    settleView(v);
    p.filter = msSince(t);
    proxy.setFilterFixedString(QString());
    settleView(v);
    t.restart();
    const auto found = model->findItems(devices[kAgents / 2].texts[0]);
    if (!found.isEmpty()) model->removeRow(found.first()->row());
    settleView(v);
    p.remove = msSince(t);
    v.setModel(nullptr);
    return p;
}

QString agentName(int g)
{
    return QStringLiteral("10.1.0.%1").arg(g + 1);
}

QString processName(int g, int i)
{
    return QStringLiteral("/usr/sbin/daemon-%1-%2").arg((g * 7919 + i * 104729) % 9973).arg(i);
}

Phases processGrid()
{
    CZRProcessGrid g;
    g.CreateGrid(1);
    showAndSettle(g);
    Phases p;
    QElapsedTimer t;
    t.start();
    for (int a = 0; a < kGroups; ++a) {
        for (int i = 0; i < kPerGroup; ++i)
            g.AddProcessItem(agentName(a), QString::number(1000 + i), processName(a, i));
        g.SetMemory(agentName(a), 1024, 65536);
    }
    settleView(g);
    p.fill = msSince(t);
    g.SortItems(1, UG_SORT_ASCENDING);
    settleView(g);
    p.sort = msSince(t);
    g.RemoveAllProcess(agentName(kGroups / 2));
    settleView(g);
    p.remove = msSince(t);
    return p;
}

Phases processStandard()
{
    QTableView v;
    v.verticalHeader()->hide();
    showAndSettle(v);
    Phases p;
    QElapsedTimer t;
    t.start();
    const int rows = kGroups * (kPerGroup + 2);
    auto model = std::make_unique<QStandardItemModel>(rows, 3);
    int r = 0;
    for (int a = 0; a < kGroups; ++a) {
        model->setItem(r, 0, new QStandardItem(agentName(a)));
        model->setItem(r, 1, new QStandardItem(QStringLiteral("Memory: 64512 KB / 65536 KB")));
        v.setSpan(r, 1, 1, 2);
        ++r;
        for (int i = 0; i < kPerGroup; ++i, ++r) {
            model->setItem(r, 0, new QStandardItem(QString::number(1000 + i)));
            model->setItem(r, 1, new QStandardItem(processName(a, i)));
            model->setItem(r, 2, new QStandardItem(QStringLiteral("Kill")));
        }
        ++r; // separator
    }
    v.setModel(model.get());
    settleView(v);
    p.fill = msSince(t);
    model->sort(1, Qt::AscendingOrder);
    settleView(v);
    p.sort = msSince(t);
    model->removeRows((kGroups / 2) * (kPerGroup + 2), kPerGroup + 2);
    settleView(v);
    p.remove = msSince(t);
    v.setModel(nullptr);
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int reps = 5;
    if (const char* r = std::getenv("TARN_BENCH_REPS")) reps = std::max(1, std::atoi(r));
    const std::vector<Device> devices = makeDevices();
    std::vector<Phases> dg, ds, pg, ps;
    if (qEnvironmentVariable("TARN_BENCH_ONLY") == QLatin1String("process")) {
        for (int i = 0; i < reps; ++i)
            processGrid();
        return 0;
    }
    for (int i = 0; i < reps; ++i) {
        ds.push_back(devListStandard(devices));
        dg.push_back(devListGrid(devices));
        ps.push_back(processStandard());
        pg.push_back(processGrid());
    }
    auto col = [](const std::vector<Phases>& v, double Phases::*m) {
        std::vector<double> out;
        for (const Phases& p : v)
            out.push_back(p.*m);
        return out;
    };
    bool ok = true;
    ok = reportRatio("device list: fill, 10,000 agents", col(dg, &Phases::fill), col(ds, &Phases::fill),
                     kBudget) &&
         ok;
    ok = reportRatio("device list: sort by model", col(dg, &Phases::sort), col(ds, &Phases::sort), kBudget) &&
         ok;
    ok = reportRatio("device list: one filter keystroke", col(dg, &Phases::filter), col(ds, &Phases::filter),
                     kBudget) &&
         ok;
    ok = reportRatio("device list: remove one agent", col(dg, &Phases::remove), col(ds, &Phases::remove),
                     kBudget) &&
         ok;
    ok = reportRatio("process grid: fill, 5,000 processes", col(pg, &Phases::fill), col(ps, &Phases::fill),
                     kBudget) &&
         ok;
    ok = reportRatio("process grid: sort by name", col(pg, &Phases::sort), col(ps, &Phases::sort), kBudget) &&
         ok;
    ok = reportRatio("process grid: remove one agent's rows", col(pg, &Phases::remove),
                     col(ps, &Phases::remove), kBudget) &&
         ok;
    return ok ? 0 : 1;
}
