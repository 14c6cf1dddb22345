// Remote pane benchmark. A listing of 20,000 entries arrives as the control core delivers it (a
// receive thread's synchronous hand-over, then one posted event per entry); it is timed until the listing has
// ended and its last row is painted, then one sort by size is timed until painted. The baseline receives the
// same events, keeps each row as QStandardItems and shows them in a QTreeView the same way. A 10 ms timer
// runs throughout the pane's runs; its longest gap is the event loop's longest stall. Prints medians and
// ratios.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "benchutil.h"
#pragma GCC diagnostic pop
#include "messagebox.h"
#include "zrhistorycombo.h"
#include "zrrmtshelllistwnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <memory>
#include <thread>

namespace {

constexpr int kEntries = 20000;
constexpr double kBudget = 2.0;
constexpr qint64 kStallBudgetMs = 100;
const QString kKey = QStringLiteral("bench|10.9.0.1");

struct Entry
{
    int kind;
    QString name;
    quint64 size;
    QString modified;
    int mode;
};

std::vector<Entry> makeEntries()
{
    std::vector<Entry> v;
    v.reserve(kEntries);
    quint32 x = 777;
    for (int i = 0; i < kEntries; ++i) {
        x = x * 1664525u + 1013904223u;
        const bool dir = i % 10 == 0;
        static const char* ext[] = {"log", "dat", "csv", "txt", "bin", "sh"};
        v.push_back({dir ? 0 : 1,
                     dir ? QStringLiteral("folder-%1-%2").arg(x % 100000, 5, 10, QLatin1Char('0')).arg(i)
                         : QStringLiteral("rec-%1-%2.%3")
                               .arg(x % 1000000, 6, 10, QLatin1Char('0'))
                               .arg(i)
                               .arg(QLatin1String(ext[x % 6])),
                     dir ? 0 : quint64(x % 50000000),
                     QStringLiteral("2026-%1-%2 10:%3").arg(x % 12 + 1).arg(x % 28 + 1).arg(x % 60),
                     (x & 1) ? 755 : 644});
    }
    return v;
}

// One listing entry, posted as the control core posts its notification.
class EntryEvent : public QEvent
{
public:
    EntryEvent(int index) : QEvent(QEvent::Type(1606)), index(index) {}
    int index; // -1: the end of the listing
};

// Entries come as the control core delivers them: a receive thread hands each reply to the GUI
// thread and waits for it to be taken (the control window's synchronous hand-over), and the GUI
// thread posts one notification per entry.
std::thread deliver(QObject* receiver, QObject* relay)
{
    return std::thread([receiver, relay] {
        for (int i = 0; i <= kEntries; ++i) {
            const int index = i == kEntries ? -1 : i;
            QMetaObject::invokeMethod(
                relay, [receiver, index] { QCoreApplication::postEvent(receiver, new EntryEvent(index)); },
                Qt::BlockingQueuedConnection);
        }
    });
}

void settle(QAbstractItemView& v)
{
    QApplication::processEvents();
    v.viewport()->repaint();
}

// The console's part for the pane: each entry goes to OnListing.
class PaneFeeder : public QObject
{
public:
    PaneFeeder(CZRRmtShellListWnd& pane, const std::vector<Entry>& entries) : pane(pane), entries(entries) {}
    bool event(QEvent* e) override
    {
        if (int(e->type()) != 1606) return QObject::event(e);
        const int i = static_cast<EntryEvent*>(e)->index;
        if (i < 0) {
            pane.OnListing(kKey, false, 0, QString(), 0, QString(), 0);
        } else {
            const Entry& en = entries[size_t(i)];
            pane.OnListing(kKey, false, en.kind, en.name, en.size, en.modified, en.mode);
        }
        return true;
    }
    CZRRmtShellListWnd& pane;
    const std::vector<Entry>& entries;
};

int sendNothing(const QString&, int, void*, const QString&)
{
    return 1;
}

struct Run
{
    double list = 0, sort = 0;
    qint64 stall = 0;
};

Run runPane(const std::vector<Entry>& entries)
{
    CZRRmtShellListWnd pane;
    pane.resize(700, 600);
    pane.show();
    pane.SetNick(kKey);
    pane.SetRequestAction(&sendNothing, nullptr, nullptr);
    pane.SetRequestParam(25, 29, 31, 27, 30, 26, 28, 21);
    PaneFeeder feeder(pane, entries);
    settle(*pane.List());

    QElapsedTimer gap;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] { longest = std::max(longest, gap.restart()); });
    gap.start();
    tick.start(10);

    Run run;
    QElapsedTimer t;
    t.start();
    pane.Init(QStringLiteral("/data/logs"));
    QObject relay;
    std::thread worker = deliver(&feeder, &relay);
    spin([&] { return !pane.IsBrowsing(); });
    worker.join();
    pane.List()->scrollToBottom();
    settle(*pane.List());
    run.list = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    pane.List()->header()->setSortIndicator(1, Qt::DescendingOrder);
    settle(*pane.List());
    run.sort = double(t.nsecsElapsed()) / 1e6;
    tick.stop();
    run.stall = longest;
    if (pane.GetObjectCount() != kEntries + 1)
        std::printf("pane holds %d rows, not %d\n", pane.GetObjectCount(), kEntries + 1);
    return run;
}

class StandardFeeder : public QObject
{
public:
    explicit StandardFeeder(const std::vector<Entry>& entries) : entries(entries) {}
    bool event(QEvent* e) override
    {
        if (int(e->type()) != 1606) return QObject::event(e);
        const int i = static_cast<EntryEvent*>(e)->index;
        if (i < 0) {
            done = true;
            return true;
        }
        const Entry& en = entries[size_t(i)];
        QList<QStandardItem*> row{
            new QStandardItem(en.name),
            new QStandardItem(en.kind == 1 ? QStringLiteral("%1 KB").arg((en.size + 512) / 1024) : QString()),
            new QStandardItem(en.modified)};
        row[1]->setData(en.size, Qt::UserRole);
        rows.push_back(row);
        return true;
    }
    const std::vector<Entry>& entries;
    std::vector<QList<QStandardItem*>> rows;
    bool done = false;
};

// The least a plain list does: keep each entry as items, hand them to the view once, sort once.
Run runStandard(const std::vector<Entry>& entries)
{
    QTreeView v;
    v.setRootIsDecorated(false);
    v.setUniformRowHeights(true);
    v.resize(700, 600);
    v.show();
    settle(v);
    StandardFeeder feeder(entries);
    Run run;
    QElapsedTimer t;
    t.start();
    QObject relay;
    std::thread worker = deliver(&feeder, &relay);
    spin([&] { return feeder.done; });
    worker.join();
    auto model = std::make_unique<QStandardItemModel>(0, 3);
    model->setSortRole(Qt::UserRole);
    for (auto& row : feeder.rows)
        model->appendRow(row);
    v.setModel(model.get());
    v.scrollToBottom();
    settle(v);
    run.list = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    model->sort(1, Qt::DescendingOrder);
    settle(v);
    run.sort = double(t.nsecsElapsed()) / 1e6;
    v.setModel(nullptr);
    return run;
}

bool report(const char* what, const std::vector<double>& pane, const std::vector<double>& base)
{
    const double ratio = median(pane) / median(base);
    std::printf("%-40s pane %8.2f ms  standard model %8.2f ms  ratio %5.2f (budget <= %.1f)%s\n", what,
                median(pane), median(base), ratio, kBudget, ratio <= kBudget ? "" : " OVER");
    return ratio <= kBudget;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    CZRHistoryCombo::SetHistoryStore(scratch.filePath(QStringLiteral("history.ini")));
    SetMessageHandler([](const MessageRecord&) { return IDOK; });
    int reps = 5;
    if (const char* r = std::getenv("TARN_BENCH_REPS")) reps = std::max(1, std::atoi(r));
    const std::vector<Entry> entries = makeEntries();
    std::vector<double> pl, ps, bl, bs;
    qint64 stall = 0;
    for (int i = 0; i < reps; ++i) {
        const Run b = runStandard(entries);
        const Run p = runPane(entries);
        bl.push_back(b.list);
        bs.push_back(b.sort);
        pl.push_back(p.list);
        ps.push_back(p.sort);
        stall = std::max(stall, p.stall);
    }
    std::vector<double> pt, bt;
    for (size_t i = 0; i < pl.size(); ++i) {
        pt.push_back(pl[i] + ps[i]);
        bt.push_back(bl[i] + bs[i]);
    }
    bool ok = report("listing, 20,000 entries to last row shown", pl, bl);
    ok = report("sort by size", ps, bs) && ok;
    ok = report("listing and sort", pt, bt) && ok;
    std::printf("%-40s longest event-loop stall %lld ms (budget <= %lld)%s\n",
                "pane, during listing and sort", static_cast<long long>(stall),
                static_cast<long long>(kStallBudgetMs), stall <= kStallBudgetMs ? "" : " OVER");
    return ok && stall <= kStallBudgetMs ? 0 : 1;
}
