// The grid layer: cells and defaults, rows and joins, sorting, batched model signals, cell types
// and notifications driven by real clicks, menus, accessibility and painting.
#include "ugctrl.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Event
{
    std::string what;
    int col;
    long row;
    long a = 0;
    qint64 b = 0;
    bool operator==(const Event&) const = default;
};

class RecordingGrid : public CUGCtrl
{
public:
    std::vector<Event> events;
    int sortCalls = 0;
    bool sortByParam = false;
    int cellTypeAnswer = 1;
    int menuAnswer = 1;
    bool eatKeys = false;

    void OnLClicked(int col, long row, int updn, QRect*, QPoint*, int processed) override
    {
        events.push_back({"L", col, row, updn, processed});
    }
    void OnRClicked(int col, long row, int updn, QRect*, QPoint*, int) override
    {
        events.push_back({"R", col, row, updn});
    }
    void OnDClicked(int col, long row, QRect*, QPoint*, int) override { events.push_back({"D", col, row}); }
    void OnTH_LClicked(int col, long row, int updn, QRect*, QPoint*, int) override
    {
        events.push_back({"TH", col, row, updn});
    }
    void OnCellChange(int oldcol, int newcol, long oldrow, long newrow) override
    {
        events.push_back({"cell", newcol, newrow, oldcol, oldrow});
    }
    void OnRowChange(long oldrow, long newrow) override { events.push_back({"row", -1, newrow, oldrow}); }
    void OnKeyDown(int* key, int) override
    {
        events.push_back({"key", -1, -1, *key});
        if (eatKeys) *key = 0;
    }
    int OnCellTypeNotify(long id, int col, long row, long msg, qint64 param) override
    {
        events.push_back({"type" + std::to_string(id) + ":" + std::to_string(msg), col, row, id, param});
        return cellTypeAnswer;
    }
    int OnSortEvaluate(CUGCell* a, CUGCell* b, int flags) override
    {
        ++sortCalls;
        if (!sortByParam) return CUGCtrl::OnSortEvaluate(a, b, flags);
        const qint64 d = a->GetParam() - b->GetParam();
        return (flags & UG_SORT_DESCENDING) ? (d > 0 ? -1 : d < 0) : (d < 0 ? -1 : d > 0);
    }
    int OnMenuStart(int col, long row, int section) override
    {
        events.push_back({"menu", col, row, section});
        return menuAnswer;
    }
    void OnMenuCommand(int col, long row, int section, int item) override
    {
        events.push_back({"command", col, row, section, item});
    }

    std::vector<Event> take()
    {
        std::vector<Event> e;
        e.swap(events);
        return e;
    }
    std::vector<Event> only(const std::string& prefix)
    {
        std::vector<Event> out;
        for (const Event& e : events)
            if (e.what.rfind(prefix, 0) == 0) out.push_back(e);
        return out;
    }
    QPoint centre(int col, long row) { return visualRect(model()->index(int(row), col)).center(); }
};

// A grid of cols × rows shown on screen, cells "c,r".
void fill(CUGCtrl& g, int cols, long rows)
{
    g.SetNumberCols(cols);
    g.SetNumberRows(rows);
    for (long r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            g.QuickSetText(c, r, QStringLiteral("%1,%2").arg(c).arg(r));
}

void show(QWidget& w)
{
    w.resize(500, 400);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
}

TEST(UGCtrl, CellsTakeColumnAndGridDefaultsAndHeadingsReachTheModel)
{
    CUGCtrl g;
    g.CreateGrid();
    fill(g, 3, 2);
    CUGCell def;
    def.SetBackColor(Qt::red);
    def.SetAlignment(UG_ALIGNLEFT);
    g.SetDefaultCell(&def);
    CUGCell colDef;
    colDef.SetAlignment(UG_ALIGNRIGHT);
    colDef.SetText(QStringLiteral("dflt"));
    g.SetColDefault(1, &colDef);
    g.GetCellIndirect(1, 1)->ClearText();

    CUGCell c;
    ASSERT_EQ(g.GetCell(1, 0, &c), UG_SUCCESS);
    EXPECT_EQ(c.GetText(), QStringLiteral("1,0"));
    EXPECT_EQ(c.GetBackColor(), QColor(Qt::red));
    EXPECT_EQ(c.GetAlignment(), UG_ALIGNRIGHT);
    EXPECT_EQ(g.QuickGetText(1, 1), QStringLiteral("dflt"));
    g.GetCell(0, 0, &c);
    EXPECT_EQ(c.GetAlignment(), UG_ALIGNLEFT);

    // A stored cell replaces what was there; properties it leaves unset come from the defaults.
    CUGCell n;
    n.SetNumber(42);
    n.SetParam(7);
    EXPECT_EQ(g.SetCell(2, 1, &n), UG_SUCCESS);
    g.GetCell(2, 1, &c);
    EXPECT_EQ(c.GetText(), QStringLiteral("42"));
    EXPECT_EQ(c.GetDataType(), UGCELLDATA_NUMBER);
    EXPECT_EQ(g.QuickGetParam(2, 1), 7);
    EXPECT_EQ(c.GetBackColor(), QColor(Qt::red));

    EXPECT_EQ(g.QuickSetText(3, 0, QStringLiteral("x")), UG_ERROR);
    EXPECT_EQ(g.QuickSetText(0, 2, QStringLiteral("x")), UG_ERROR);
    EXPECT_EQ(g.QuickSetText(-2, 0, QStringLiteral("x")), UG_ERROR);
    EXPECT_EQ(g.GetCell(0, -2, &c), UG_ERROR);
    EXPECT_EQ(g.GetCellIndirect(5, 5), nullptr);

    EXPECT_EQ(g.QuickSetText(1, -1, QStringLiteral("Head")), UG_SUCCESS);
    EXPECT_EQ(g.QuickSetText(-1, 1, QStringLiteral("Side")), UG_SUCCESS);
    EXPECT_EQ(g.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Head"));
    EXPECT_EQ(g.model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("Side"));
    EXPECT_EQ(g.model()->data(g.model()->index(0, 2)).toString(), QStringLiteral("2,0"));

    // The extra memory block travels with copies of the cell.
    CUGCell e;
    char* mem = e.AllocExtraMem(24);
    ASSERT_NE(mem, nullptr);
    mem[23] = 'z';
    g.SetCell(0, 0, &e);
    g.GetCell(0, 0, &c);
    ASSERT_EQ(c.GetExtraMemSize(), 24);
    EXPECT_EQ(c.GetExtraMemPtr()[23], 'z');
}

TEST(UGCtrl, RowsMoveCellsSizesAndJoinsWithThem)
{
    CUGCtrl g;
    g.CreateGrid();
    fill(g, 3, 5);
    QApplication::processEvents();
    ASSERT_EQ(g.JoinCells(1, 2, 2, 2), UG_SUCCESS);
    g.SetRowHeight(3, 40);
    ASSERT_EQ(g.InsertRow(1), UG_SUCCESS);
    EXPECT_EQ(g.GetNumberRows(), 6);
    EXPECT_EQ(g.QuickGetText(0, 1), QString());
    EXPECT_EQ(g.QuickGetText(0, 2), QStringLiteral("0,1"));
    EXPECT_EQ(g.GetRowHeight(4), 40);
    EXPECT_EQ(g.rowHeight(4), 40);
    int col = 2;
    long row = 3;
    ASSERT_EQ(g.GetJoinStartCell(&col, &row), UG_SUCCESS);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 3);
    EXPECT_EQ(g.columnSpan(3, 1), 2);

    ASSERT_EQ(g.DeleteRow(0), UG_SUCCESS);
    EXPECT_EQ(g.columnSpan(2, 1), 2);
    EXPECT_EQ(g.QuickGetText(0, 0), QString());
    ASSERT_EQ(g.DeleteRow(2), UG_SUCCESS); // the joined row itself
    EXPECT_EQ(g.columnSpan(2, 1), 1);
    col = 1;
    row = 2;
    EXPECT_EQ(g.GetJoinStartCell(&col, &row), UG_ERROR);
    EXPECT_EQ(g.DeleteRow(99), UG_ERROR);
    EXPECT_EQ(g.InsertRow(-1), UG_ERROR);

    // Shrinking drops the rows and the joins that reach into them.
    g.JoinCells(0, 2, 0, 3);
    g.SetNumberRows(3);
    EXPECT_EQ(g.model()->rowCount(), 3);
    EXPECT_EQ(g.rowSpan(2, 0), 1);
}

TEST(UGCtrl, JoinsAreSpansAndAClickAnywhereInOneReportsItsStartCell)
{
    RecordingGrid g;
    g.CreateGrid();
    fill(g, 4, 5);
    show(g);
    ASSERT_EQ(g.JoinCells(2, 3, 1, 1), UG_SUCCESS); // corners in any order
    EXPECT_EQ(g.rowSpan(1, 1), 3);
    EXPECT_EQ(g.columnSpan(1, 1), 2);
    EXPECT_EQ(g.JoinCells(0, 0, 0, 0), UG_ERROR);

    const QRect covered = g.visualRect(g.model()->index(3, 2));
    g.take();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, covered.center());
    const auto clicks = g.only("L");
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0], (Event{"L", 1, 1, 1, 0}));
    EXPECT_EQ(clicks[1], (Event{"L", 1, 1, 0, 0}));

    // A join over an existing one replaces it.
    ASSERT_EQ(g.JoinCells(2, 3, 3, 3), UG_SUCCESS);
    EXPECT_EQ(g.rowSpan(1, 1), 1);
    EXPECT_EQ(g.columnSpan(3, 2), 2);
    EXPECT_EQ(g.UnJoinCells(3, 3), UG_SUCCESS);
    EXPECT_EQ(g.columnSpan(3, 2), 1);
    EXPECT_EQ(g.UnJoinCells(3, 3), UG_ERROR);
}

TEST(UGCtrl, SortGoesThroughOnSortEvaluateStablyInOneLayoutChange)
{
    RecordingGrid g;
    g.CreateGrid();
    g.SetNumberCols(2);
    g.SetNumberRows(200);
    for (long r = 0; r < 200; ++r) {
        g.QuickSetParam(0, r, (r * 7) % 10); // many equal keys
        g.QuickSetText(1, r, QString::number(r));
    }
    QApplication::processEvents();
    g.GotoCell(1, 57);
    QSignalSpy layout(g.model(), &QAbstractItemModel::layoutChanged);
    QSignalSpy reset(g.model(), &QAbstractItemModel::modelReset);
    QSignalSpy data(g.model(), &QAbstractItemModel::dataChanged);
    g.sortByParam = true;
    ASSERT_EQ(g.SortBy(0, UG_SORT_ASCENDING), UG_SUCCESS);
    EXPECT_GT(g.sortCalls, 0);
    EXPECT_EQ(layout.count(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(data.count(), 0);
    for (long r = 1; r < 200; ++r) {
        const qint64 a = g.QuickGetParam(0, r - 1), b = g.QuickGetParam(0, r);
        ASSERT_LE(a, b) << r;
        if (a == b) {
            ASSERT_LT(g.QuickGetText(1, r - 1).toInt(), g.QuickGetText(1, r).toInt()) << "stable at " << r;
        }
    }
    // The current cell follows its row.
    EXPECT_EQ(g.QuickGetText(1, g.GetCurrentRow()), QStringLiteral("57"));

    g.SortBy(0, UG_SORT_DESCENDING);
    EXPECT_EQ(g.QuickGetParam(0, 0), 9);
    // Already in order: nothing moves, no signal.
    layout.clear();
    g.SortBy(0, UG_SORT_DESCENDING);
    EXPECT_EQ(layout.count(), 0);
    EXPECT_EQ(g.SortBy(2, UG_SORT_ASCENDING), UG_ERROR);
}

TEST(UGCtrl, DefaultSortEvaluateFollowsTheSharedComparison)
{
    auto text = [](const QString& t) {
        CUGCell c;
        c.SetText(t);
        return c;
    };
    auto typed = [](int type, const QString* t, double v = 0) {
        CUGCell c;
        c.SetNumber(v);
        if (t) c.SetText(*t);
        c.SetDataType(type);
        return c;
    };
    const CUGCell a = text(QStringLiteral("a")), b = text(QStringLiteral("b")), B = text(QStringLiteral("B"));
    const CUGCell e = text(QStringLiteral("\u00e9")), empty = text(QString());
    CUGCell none;
    auto eval = [](const CUGCell* x, const CUGCell* y, int f = UG_SORT_ASCENDING) {
        return CUGCtrl::DefaultSortEvaluate(x, y, f);
    };
    EXPECT_EQ(eval(nullptr, nullptr), 0);
    EXPECT_EQ(eval(nullptr, &a), 1);
    EXPECT_EQ(eval(&a, nullptr), -1);
    EXPECT_EQ(eval(nullptr, &a, UG_SORT_DESCENDING), 1); // missing cells stay last either way
    EXPECT_EQ(eval(&a, &b), -1);
    EXPECT_EQ(eval(&b, &a), 1);
    EXPECT_EQ(eval(&a, &a), 0);
    EXPECT_EQ(eval(&a, &b, UG_SORT_DESCENDING), 1);
    EXPECT_EQ(eval(&B, &a), -1); // code units, not collation
    EXPECT_EQ(eval(&e, &b), 1);
    EXPECT_EQ(eval(&empty, &a), -1); // an empty text is still a text
    EXPECT_EQ(eval(&none, &a), 1);
    EXPECT_EQ(eval(&a, &none), -1);
    EXPECT_EQ(eval(&none, &none), 0);
    EXPECT_EQ(eval(&none, &a, UG_SORT_DESCENDING), -1); // swapped before the texts compare

    const QString nine = QStringLiteral("9"), ten = QStringLiteral("10");
    for (int type : {UGCELLDATA_NUMBER, UGCELLDATA_BOOL, UGCELLDATA_CURRENCY}) {
        const CUGCell n9 = typed(type, &nine, 9), n10 = typed(type, &ten, 10);
        EXPECT_EQ(eval(&n9, &n10), -1) << type; // by value, not "10" < "9"
        EXPECT_EQ(eval(&n10, &n9), 1) << type;
        EXPECT_EQ(eval(&n9, &n9), 0) << type;
        EXPECT_EQ(eval(&n9, &n10, UG_SORT_DESCENDING), 1) << type;
    }
    const CUGCell t9 = typed(UGCELLDATA_TIME, &nine), t10 = typed(UGCELLDATA_TIME, &ten);
    const CUGCell tNone = typed(UGCELLDATA_TIME, nullptr);
    EXPECT_EQ(eval(&t10, &t9), -1);     // time cells compare texts
    EXPECT_EQ(eval(&tNone, &tNone), 0); // two missing texts tie, or the order is not a strict weak one
    EXPECT_EQ(eval(&tNone, &tNone, UG_SORT_DESCENDING), 0);
    EXPECT_EQ(eval(&tNone, &t9), 1);
    EXPECT_EQ(eval(&t9, &tNone), -1);
}

TEST(UGCtrl, TenThousandRowFillSendsOneBatch)
{
    CUGCtrl g;
    g.CreateGrid();
    g.SetNumberCols(6);
    show(g);
    QAbstractItemModel* m = g.model();
    QSignalSpy inserted(m, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(m, &QAbstractItemModel::modelReset);
    QSignalSpy changed(m, &QAbstractItemModel::dataChanged);
    QSignalSpy layout(m, &QAbstractItemModel::layoutChanged);

    g.EnableUpdate(false);
    g.SetNumberRows(10000);
    for (long r = 0; r < 10000; ++r)
        for (int c = 0; c < 6; ++c)
            g.QuickSetText(c, r, QString::number(r * 6 + c));
    QApplication::processEvents();
    EXPECT_EQ(inserted.count() + reset.count() + changed.count() + layout.count(), 0);
    g.EnableUpdate(true);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_LE(changed.count(), 1);
    EXPECT_EQ(m->rowCount(), 10000);
    EXPECT_EQ(m->data(m->index(9999, 5)).toString(), QStringLiteral("59999"));

    // Changes and appends with updates on are gathered until the event loop runs.
    inserted.clear();
    changed.clear();
    for (long r = 0; r < 10000; ++r) {
        g.AppendRow();
        g.QuickSetText(0, g.GetNumberRows() - 1, QStringLiteral("new"));
        g.QuickSetText(1, r, QStringLiteral("changed"));
    }
    EXPECT_EQ(inserted.count(), 0);
    QApplication::processEvents();
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(m->rowCount(), 20000);

    // Rows inserted and deleted in the middle while held come back as one reset.
    inserted.clear();
    changed.clear();
    g.EnableUpdate(false);
    for (int i = 0; i < 100; ++i) {
        g.InsertRow(5);
        g.DeleteRow(100);
    }
    g.SortBy(0);
    g.EnableUpdate(true);
    QApplication::processEvents();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(inserted.count() + changed.count() + layout.count(), 0);
}

TEST(UGCtrl, CellTypesNotifyThroughClicks)
{
    RecordingGrid g;
    g.CreateGrid();
    fill(g, 3, 3);
    g.SetColWidth(0, 120);
    g.QuickSetCellType(0, 0, UGCT_CHECKBOX);
    g.QuickSetLabelText(0, 0, QStringLiteral("device"));
    g.QuickSetCellType(1, 0, UGCT_PUSHBUTTON);
    g.QuickSetCellType(2, 0, UGCT_EXPAND);
    show(g);
    const QRect check = g.visualRect(g.model()->index(0, 0));
    const QPoint box(check.left() + 9, check.center().y());

    g.take();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, box);
    auto ev = g.only("type");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0], (Event{"type1:1", 0, 0, UGCT_CHECKBOX, 1}));
    EXPECT_TRUE(g.GetCellIndirect(0, 0)->GetBool());
    EXPECT_EQ(g.only("L").at(0).b, 1); // processed
    EXPECT_EQ(g.model()->data(g.model()->index(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);

    // A refused change keeps the mark; a click beside the box toggles nothing.
    g.cellTypeAnswer = 0;
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, box);
    EXPECT_TRUE(g.GetCellIndirect(0, 0)->GetBool());
    g.cellTypeAnswer = 1;
    g.take();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(check.right() - 5, check.center().y()));
    EXPECT_TRUE(g.only("type").empty());
    EXPECT_TRUE(g.GetCellIndirect(0, 0)->GetBool());
    // The keyboard toggles the current check box.
    g.GotoCell(0, 0);
    QTest::keyClick(g.viewport(), Qt::Key_Space);
    EXPECT_FALSE(g.GetCellIndirect(0, 0)->GetBool());

    g.take();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.centre(1, 0));
    ev = g.only("type");
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].what, "type3:2");
    EXPECT_EQ(ev[1], (Event{"type3:3", 1, 0, UGCT_PUSHBUTTON, 0}));
    // Released somewhere else: no click.
    g.take();
    QTest::mousePress(g.viewport(), Qt::LeftButton, {}, g.centre(1, 0));
    QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, g.centre(1, 2));
    ev = g.only("type");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].what, "type3:2");

    g.take();
    const QRect exp = g.visualRect(g.model()->index(0, 2));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(exp.left() + 8, exp.center().y()));
    ev = g.only("type");
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0], (Event{"type4:4", 2, 0, UGCT_EXPAND, 1}));
    EXPECT_TRUE(g.GetCellIndirect(2, 0)->GetBool());
    EXPECT_EQ(g.GetCellIndirect(2, 0)->GetDataType(), UGCELLDATA_STRING);
}

TEST(UGCtrl, MouseAndKeyNotifications)
{
    RecordingGrid g;
    g.CreateGrid();
    fill(g, 3, 4);
    show(g);
    g.take();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.centre(2, 1));
    auto cells = g.only("cell");
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].col, 2);
    EXPECT_EQ(cells[0].row, 1);
    EXPECT_EQ(g.GetCurrentCol(), 2);
    EXPECT_EQ(g.GetCurrentRow(), 1);

    g.take();
    QTest::keyClick(g.viewport(), Qt::Key_Down);
    EXPECT_EQ(g.only("cell").at(0), (Event{"cell", 2, 2, 2, 1}));
    EXPECT_EQ(g.only("row").at(0), (Event{"row", -1, 2, 1}));
    EXPECT_EQ(g.only("key").at(0).a, Qt::Key_Down);
    g.eatKeys = true;
    QTest::keyClick(g.viewport(), Qt::Key_Down);
    EXPECT_EQ(g.GetCurrentRow(), 2);
    g.eatKeys = false;

    g.take();
    QTest::mouseClick(g.viewport(), Qt::RightButton, {}, g.centre(0, 3));
    auto r = g.only("R");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], (Event{"R", 0, 3, 1}));
    EXPECT_EQ(r[1], (Event{"R", 0, 3, 0}));

    g.take();
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, g.centre(1, 0));
    EXPECT_EQ(g.only("D").size(), 1u);
    EXPECT_EQ(g.only("D").at(0), (Event{"D", 1, 0}));

    g.take();
    QHeaderView* h = g.horizontalHeader();
    const QPoint head(h->sectionViewportPosition(1) + h->sectionSize(1) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, head);
    auto th = g.only("TH");
    ASSERT_EQ(th.size(), 2u);
    EXPECT_EQ(th[0], (Event{"TH", 1, -1, 1}));
    EXPECT_EQ(th[1], (Event{"TH", 1, -1, 0}));
    EXPECT_TRUE(g.only("cell").empty()); // a heading click moves no cell
}

TEST(UGCtrl, MenuStartsAndCommandsReachTheGrid)
{
    RecordingGrid g;
    g.CreateGrid();
    fill(g, 3, 3);
    show(g);
    g.AddMenuItem(7, QStringLiteral("Seven"));
    auto rightClick = [&] {
        QContextMenuEvent e(QContextMenuEvent::Mouse, g.centre(1, 2),
                            g.viewport()->mapToGlobal(g.centre(1, 2)));
        QApplication::sendEvent(g.viewport(), &e);
    };
    rightClick();
    EXPECT_TRUE(g.only("menu").empty()); // menus are off until enabled
    g.EnableMenu(true);
    rightClick();
    ASSERT_EQ(g.only("menu").size(), 1u);
    EXPECT_EQ(g.only("menu").at(0), (Event{"menu", 1, 2, UG_GRID}));
    QMenu* menu = g.GetPopupMenu();
    ASSERT_TRUE(menu->isVisible());
    menu->actions().at(0)->trigger();
    menu->hide();
    EXPECT_EQ(g.only("command").at(0), (Event{"command", 1, 2, UG_GRID, 7}));

    g.menuAnswer = 0;
    rightClick();
    EXPECT_FALSE(menu->isVisible());
    g.EmptyMenu();
    EXPECT_TRUE(menu->isEmpty());
}

TEST(UGCtrl, AccessibilityReadsEveryCell)
{
    CUGCtrl g;
    g.CreateGrid();
    fill(g, 4, 30);
    g.QuickSetCellType(0, 5, UGCT_CHECKBOX);
    g.GetCellIndirect(0, 5)->ClearText();
    g.QuickSetLabelText(0, 5, QStringLiteral("10.0.0.5"));
    g.setAccessibleName(QStringLiteral("Test grid"));
    show(g);
    QApplication::processEvents();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&g);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Test grid"));
    QAccessibleTableInterface* table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 30);
    EXPECT_EQ(table->columnCount(), 4);
    for (int r : {0, 17, 29}) {
        for (int c = 0; c < 4; ++c) {
            QAccessibleInterface* cell = table->cellAt(r, c);
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("%1,%2").arg(c).arg(r));
        }
    }
    EXPECT_EQ(table->cellAt(5, 0)->text(QAccessible::Name), QStringLiteral("10.0.0.5"));
}

TEST(UGCtrl, PaintsColoursBitmapsProgressAndJoins)
{
    CUGCtrl g;
    g.CreateGrid();
    g.SetSH_Width(0);
    g.SetTH_Height(0);
    fill(g, 4, 4);
    g.SetDefColWidth(80);
    g.SetDefRowHeight(30);
    QPixmap blue(8, 8);
    blue.fill(Qt::blue);
    EXPECT_EQ(g.AddBitmap(QPixmap()), -1);
    EXPECT_EQ(g.AddBitmap(QStringLiteral("/nonexistent/picture.png")), -1);
    const int idx = g.AddBitmap(blue);
    EXPECT_EQ(idx, 0);
    g.QuickSetBackColor(0, 0, QColor(10, 200, 30));
    g.GetCellIndirect(1, 1)->ClearText();
    g.QuickSetBitmap(1, 1, idx);
    g.QuickSetCellType(2, 2, UGCT_PROGRESS);
    g.QuickSetNumber(2, 2, 50);
    g.QuickSetCellTypeEx(2, 2, UGCT_PROGRESSNOTEXT);
    g.QuickSetHBackColor(2, 2, QColor(90, 183, 6));
    g.QuickSetBackColor(0, 3, QColor(200, 0, 200));
    g.JoinCells(0, 3, 2, 3);
    show(g);
    const QImage img = g.viewport()->grab().toImage();
    auto at = [&](int col, long row, double fx, double fy = 0.5) {
        const QRect r = g.visualRect(g.model()->index(int(row), col));
        return QColor(img.pixel(r.left() + int(r.width() * fx), r.top() + int(r.height() * fy)));
    };
    EXPECT_EQ(at(0, 0, 0.8, 0.2), QColor(10, 200, 30));
    EXPECT_EQ(at(1, 1, 0.5), QColor(Qt::blue));
    EXPECT_EQ(at(2, 2, 0.25), QColor(90, 183, 6));
    EXPECT_NE(at(2, 2, 0.8), QColor(90, 183, 6));
    // The joined cell is painted with its first cell's colour across the whole span.
    const QRect span = g.visualRect(g.model()->index(3, 0));
    EXPECT_EQ(span.width(), 240);
    EXPECT_EQ(QColor(img.pixel(span.left() + 200, span.center().y())), QColor(200, 0, 200));
}

TEST(UGCtrl, SelectionEnumeratesRowByRowOrTheCurrentCell)
{
    CUGCtrl g;
    g.CreateGrid();
    fill(g, 3, 5);
    g.SetMultiSelectMode(true);
    g.GotoCell(2, 4);
    int col = -9;
    long row = -9;
    g.ClearSelections();
    ASSERT_EQ(g.EnumFirstSelected(&col, &row), UG_SUCCESS);
    EXPECT_EQ(col, 2);
    EXPECT_EQ(row, 4);
    EXPECT_EQ(g.EnumNextSelected(&col, &row), UG_NA);

    g.SelectRange(1, 2, 0, 1);
    std::vector<std::pair<int, long>> seen;
    for (int r = g.EnumFirstSelected(&col, &row); r == UG_SUCCESS; r = g.EnumNextSelected(&col, &row))
        seen.emplace_back(col, row);
    const std::vector<std::pair<int, long>> want{{0, 1}, {1, 1}, {0, 2}, {1, 2}};
    EXPECT_EQ(seen, want);
    EXPECT_TRUE(g.IsSelected(1, 2));
    EXPECT_FALSE(g.IsSelected(2, 2));
}

} // namespace
