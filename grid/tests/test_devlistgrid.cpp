// The device list grid: rows per agent, check marks and their enumeration, right click, sorting by
// heading, the filter and the CSV export.
#include "messagebox.h"
#include "picker.h"
#include "zrdevlistgrid.h"
#include "zrdevlistwnd.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct Grid
{
    Grid()
    {
        g.CreateGrid(1);
        g.resize(800, 400);
    }
    CZRDevListGrid g;
};

void add(CZRDevListGrid& g, const QString& label, const QString& model = QString(),
         const QString& host = QString())
{
    g.AddItem(label, QStringLiteral("1.0"), model, QStringLiteral("fw"), QStringLiteral("os"),
              QStringLiteral("cpu"), host);
}

QStringList labels(CZRDevListGrid& g)
{
    QStringList out;
    for (long r = 0; r < g.GetNumberRows(); ++r)
        out << g.StoredCell(0, r)->GetLabelText();
    return out;
}

QStringList checkedLabels(const CZRDevListGrid& g)
{
    QStringList out;
    long row = g.GetFirstCheckedAgentRow();
    QString label;
    while (g.GetNextCheckedAgent(&row, &label) == 0)
        out << label;
    return out;
}

// The view hides exactly the rows the grid marks hidden.
void expectViewMatches(CZRDevListGrid& g)
{
    QCoreApplication::processEvents();
    ASSERT_EQ(g.model()->rowCount(), g.GetNumberRows());
    long wrong = 0;
    for (long r = 0; r < g.GetNumberRows(); ++r)
        wrong += g.isRowHidden(int(r)) == g.IsRowShown(r) ? 1 : 0;
    EXPECT_EQ(wrong, 0);
}

TEST(DevListGrid, SetupCaptionsWidthsAndArrow)
{
    Grid t;
    CZRDevListGrid& g = t.g;
    ASSERT_EQ(g.GetNumberCols(), 6);
    const char16_t* captions[] = {u"Device IP", u"Model Name", u"Firmware Ver.",
                                  u"OS Ver.",   u"CPU Type",   u"Hostname"};
    const int widths[] = {120, 100, 90, 130, 120, 90};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(g.StoredCell(c, -1)->GetText(), QString::fromUtf16(captions[c])) << c;
        EXPECT_EQ(g.model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
                  QString::fromUtf16(captions[c]));
        EXPECT_EQ(g.GetColWidth(c), widths[c]) << c;
    }
    EXPECT_EQ(g.GetTH_Height(), 26);
    EXPECT_EQ(g.GetSH_Width(), 0);
    EXPECT_EQ(g.GetDefRowHeight(), 25);
    EXPECT_EQ(g.GetSortCol(), 0);
    EXPECT_TRUE(g.IsSortAscending());
    EXPECT_EQ(g.StoredCell(0, -1)->GetCellTypeEx(), UGCT_SORTARROWUP);
    EXPECT_FALSE(g.accessibleName().isEmpty());
}

TEST(DevListGrid, AddRefreshRemoveRows)
{
    Grid t;
    CZRDevListGrid& g = t.g;
    g.AddItem(u"10.0.0.1"_s, u"ver"_s, u"M1"_s, u"F1"_s, u"O1"_s, u"C1"_s, u"H1"_s);
    g.AddItem(u"10.0.0.2"_s, u"ver"_s, u"M2"_s, u"F2"_s, u"O2"_s, u"C2"_s, u"H2"_s);
    // A second report for a listed label refreshes its row.
    g.AddItem(u"10.0.0.1"_s, u"ver2"_s, u"M1b"_s, u"F1b"_s, u"O1b"_s, u"C1b"_s, u"H1b"_s);
    ASSERT_EQ(g.GetNumberRows(), 2);
    EXPECT_EQ(labels(g), QStringList({u"10.0.0.1"_s, u"10.0.0.2"_s}));
    const QStringList row0 = {g.QuickGetText(1, 0), g.QuickGetText(2, 0), g.QuickGetText(3, 0),
                              g.QuickGetText(4, 0), g.QuickGetText(5, 0)};
    EXPECT_EQ(row0, QStringList({u"M1b"_s, u"F1b"_s, u"O1b"_s, u"C1b"_s, u"H1b"_s}));
    EXPECT_EQ(g.QuickGetText(0, 0), u"10.0.0.1"_s);
    CUGCell c;
    g.GetCell(0, 0, &c);
    EXPECT_EQ(c.GetCellType(), UGCT_CHECKBOX);
    EXPECT_EQ(c.GetCellTypeEx(), UGCT_CHECKBOXCHECKMARK);
    EXPECT_FALSE(c.GetBool());
    // The agent version is shown nowhere.
    for (int col = 0; col < 6; ++col)
        EXPECT_NE(g.QuickGetText(col, 0), u"ver2"_s);

    // Labels are exact: another case is another device.
    long row = -1;
    EXPECT_EQ(g.FindFirstLabel(u"10.0.0.2"_s, 0, &row), 0);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(g.FindFirstLabel(u"10.0.0.3"_s, 0, &row), 1);
    EXPECT_EQ(g.FindFirstLabel(u"10.0.0.2"_s, 9, &row), 1);

    // SetItem writes the row it is given, whatever the label says.
    g.SetItem(1, u"ignored"_s, u"m"_s, u"f"_s, u"o"_s, u"c"_s, u"h"_s);
    EXPECT_EQ(g.QuickGetText(1, 1), u"m"_s);
    EXPECT_EQ(g.QuickGetText(0, 1), u"10.0.0.2"_s);
    g.SetItem(7, u"x"_s, u"m"_s, u"f"_s, u"o"_s, u"c"_s, u"h"_s); // out of range: nothing
    EXPECT_EQ(g.GetNumberRows(), 2);

    // Removing the first row moves the second up; a refresh then finds it at its new place.
    g.AddItem(u"10.0.0.3"_s, u""_s, u"M3"_s, u""_s, u""_s, u""_s, u""_s);
    g.RemoveItem(u"10.0.0.1"_s);
    g.RemoveItem(u"nobody"_s);
    EXPECT_EQ(labels(g), QStringList({u"10.0.0.2"_s, u"10.0.0.3"_s}));
    g.AddItem(u"10.0.0.3"_s, u""_s, u"M3b"_s, u""_s, u""_s, u""_s, u""_s);
    EXPECT_EQ(g.GetNumberRows(), 2);
    EXPECT_EQ(g.QuickGetText(1, 1), u"M3b"_s);
    // Rows deleted behind the grid's back are not found at their old place.
    g.DeleteRow(0);
    EXPECT_EQ(g.FindFirstLabel(u"10.0.0.3"_s, 0, &row), 0);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(g.FindFirstLabel(u"10.0.0.2"_s, 0, &row), 1);

    g.RemoveAll();
    EXPECT_EQ(g.GetNumberRows(), 0);
    // A grid filled before its set-up sets itself up first.
    CZRDevListGrid early;
    EXPECT_EQ(early.GetFirstCheckedAgentRow(), -1);
    add(early, u"10.9.9.9"_s);
    EXPECT_EQ(early.GetNumberCols(), 6);
    EXPECT_EQ(early.QuickGetText(0, 0), u"10.9.9.9"_s);
    add(g, u"10.0.0.3"_s);
    EXPECT_EQ(g.GetNumberRows(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(g.model()->rowCount(), 1);
}

TEST(DevListGrid, CheckEnumerationWithAndWithoutFilter)
{
    Grid t;
    CZRDevListGrid& g = t.g;
    EXPECT_EQ(g.GetFirstCheckedAgentRow(), -1);
    long none = g.GetFirstCheckedAgentRow();
    QString label = u"untouched"_s;
    EXPECT_EQ(g.GetNextCheckedAgent(&none, &label), 1);
    EXPECT_EQ(label, u"untouched"_s);

    add(g, u"10.0.0.1"_s, u"Alpha"_s);
    add(g, u"10.0.0.2"_s, u"Beta"_s);
    add(g, u"10.0.0.3"_s, u"alpha-x"_s);
    add(g, u"10.0.0.4"_s, u"Gamma"_s);
    EXPECT_EQ(g.GetFirstCheckedAgentRow(), -1);
    g.SetCheckedRow(1, true);
    g.SetCheckedRow(3, true);
    g.SetCheckedRow(9, true); // out of range: nothing
    EXPECT_EQ(g.GetCheckedRow(2), 3);
    EXPECT_EQ(checkedLabels(g), QStringList({u"10.0.0.2"_s, u"10.0.0.4"_s}));

    // Hidden checked rows are never targets.
    g.SetCheckedRow(1, false);
    g.SetFilter(u"ALPHA"_s);
    EXPECT_EQ(g.GetShownRowCount(), 2);
    EXPECT_EQ(g.GetFirstCheckedAgentRow(), -1);
    // Check all reaches the shown rows only.
    g.SetAllChecked();
    EXPECT_EQ(checkedLabels(g), QStringList({u"10.0.0.1"_s, u"10.0.0.3"_s}));
    EXPECT_FALSE(g.StoredCell(0, 1)->GetBool());
    g.SetFilter(QString());
    EXPECT_EQ(checkedLabels(g), QStringList({u"10.0.0.1"_s, u"10.0.0.3"_s, u"10.0.0.4"_s}));

    g.SetFilter(u"gamma"_s);
    EXPECT_EQ(checkedLabels(g), QStringList({u"10.0.0.4"_s}));
    g.SetCheckedRow(3, false);
    g.SetFilter(u"  "_s);
    EXPECT_EQ(g.GetFilter(), u""_s);
    EXPECT_EQ(checkedLabels(g), QStringList({u"10.0.0.1"_s, u"10.0.0.3"_s}));
    // Clear all reaches hidden rows too.
    g.SetFilter(u"10.0.0.3"_s);
    g.ClearAllChecked();
    g.SetFilter(QString());
    g.ClearAllChecked();
    EXPECT_EQ(g.GetFirstCheckedAgentRow(), -1);

    // Clicking the box toggles it.
    g.show();
    QCoreApplication::processEvents();
    const QRect r = g.visualRect(g.model()->index(2, 0));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(r.left() + 8, r.center().y()));
    EXPECT_EQ(checkedLabels(g), QStringList({u"10.0.0.3"_s}));
}

TEST(DevListGrid, RightClickMakesTheClickedDeviceTheTarget)
{
    Grid t;
    CZRDevListGrid& g = t.g;
    for (const QString& a : {u"10.0.0.1"_s, u"10.0.0.2"_s, u"10.0.0.3"_s, u"10.0.0.4"_s})
        add(g, a);
    g.SetAllChecked();
    QString label;
    EXPECT_EQ(g.GetRClickedItem(&label), -1);
    g.show();
    QCoreApplication::processEvents();
    const QRect r = g.visualRect(g.model()->index(2, 3));
    QTest::mousePress(g.viewport(), Qt::RightButton, {}, r.center());
    QTest::mouseRelease(g.viewport(), Qt::RightButton, {}, r.center());
    EXPECT_EQ(checkedLabels(g), QStringList({u"10.0.0.3"_s}));
    QContextMenuEvent menu(QContextMenuEvent::Mouse, r.center(), g.viewport()->mapToGlobal(r.center()));
    QCoreApplication::sendEvent(g.viewport(), &menu);
    EXPECT_EQ(g.GetRClickedItem(&label), 2);
    EXPECT_EQ(label, u"10.0.0.3"_s);

    // The recorded agent is followed when rows move, and forgotten when its row goes.
    g.RemoveItem(u"10.0.0.1"_s);
    label.clear();
    EXPECT_EQ(g.GetRClickedItem(&label), 1);
    EXPECT_EQ(label, u"10.0.0.3"_s);
    g.RemoveItem(u"10.0.0.3"_s);
    EXPECT_EQ(g.GetRClickedItem(&label), -1);
    // A right click on the heading records nothing.
    EXPECT_EQ(g.OnMenuStart(0, -1, UG_TOPHEADING), 0);
}

TEST(DevListGrid, SortByHeadingOrdersByLabelNotCheckState)
{
    Grid t;
    CZRDevListGrid& g = t.g;
    add(g, u"10.0.0.3"_s, u"b"_s);
    add(g, u"10.0.0.1"_s, u""_s);
    add(g, u"10.0.0.4"_s, u""_s);
    add(g, u"10.0.0.2"_s, u"a"_s);
    g.SetCheckedRow(0, true);
    g.SetCheckedRow(3, true);
    g.show();
    QCoreApplication::processEvents();

    // A press on the sorted heading reverses it.
    QHeaderView* h = g.horizontalHeader();
    const QPoint head0(h->sectionViewportPosition(0) + 10, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, head0);
    EXPECT_FALSE(g.IsSortAscending());
    EXPECT_EQ(labels(g), QStringList({u"10.0.0.4"_s, u"10.0.0.3"_s, u"10.0.0.2"_s, u"10.0.0.1"_s}));
    EXPECT_EQ(g.StoredCell(0, -1)->GetCellTypeEx(), UGCT_SORTARROWDOWN);
    g.OnTH_LClicked(0, -1, 1, nullptr, nullptr, 0);
    EXPECT_EQ(labels(g), QStringList({u"10.0.0.1"_s, u"10.0.0.2"_s, u"10.0.0.3"_s, u"10.0.0.4"_s}));
    // Check marks went with their rows.
    EXPECT_EQ(checkedLabels(g), QStringList({u"10.0.0.2"_s, u"10.0.0.3"_s}));

    // A new heading starts ascending and takes the arrow.
    g.OnTH_LClicked(1, -1, 1, nullptr, nullptr, 0);
    EXPECT_EQ(g.GetSortCol(), 1);
    EXPECT_TRUE(g.IsSortAscending());
    EXPECT_EQ(g.StoredCell(0, -1)->GetCellTypeEx(), 0);
    EXPECT_EQ(g.StoredCell(1, -1)->GetCellTypeEx(), UGCT_SORTARROWUP);
    // Empty texts are texts: they come first, in their former order.
    EXPECT_EQ(labels(g), QStringList({u"10.0.0.1"_s, u"10.0.0.4"_s, u"10.0.0.2"_s, u"10.0.0.3"_s}));

    // The comparison itself: check boxes by label whatever their values, missing texts equal.
    CUGCell a, b;
    a.SetCellType(UGCT_CHECKBOX);
    b.SetCellType(UGCT_CHECKBOX);
    a.SetBool(true);
    b.SetBool(false);
    a.SetLabelText(u"10.0.0.1"_s);
    b.SetLabelText(u"10.0.0.2"_s);
    EXPECT_EQ(g.OnSortEvaluate(&a, &b, UG_SORT_ASCENDING), -1);
    EXPECT_EQ(g.OnSortEvaluate(&a, &b, UG_SORT_DESCENDING), 1);
    CUGCell t1, t2;
    t1.SetDataType(UGCELLDATA_TIME);
    t2.SetDataType(UGCELLDATA_TIME);
    EXPECT_EQ(g.OnSortEvaluate(&t1, &t2, UG_SORT_ASCENDING), 0);
}

TEST(DevListGrid, CsvExportQuotesAndEncodes)
{
    Grid t;
    CZRDevListGrid& g = t.g;
    g.AddItem(u"10.0.0.1"_s, u""_s, u"Model, Pro"_s, u"say \"hi\""_s, u"line1\nline2"_s, u"cr\rhere"_s,
              u"Zürich-東京"_s);
    g.AddItem(u"10.0.0.2"_s, u""_s, u"plain"_s, u""_s, u""_s, u""_s, u""_s);
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    ASSERT_EQ(g.ExportCsv(&buf), 1);
    const QByteArray expected =
        QStringLiteral("Device IP,Model Name,Firmware Ver.,OS Ver.,CPU Type,Hostname\r\n"
                       "10.0.0.1,\"Model, Pro\",\"say \"\"hi\"\"\",\"line1\nline2\",\"cr\rhere\","
                       "Zürich-東京\r\n"
                       "10.0.0.2,plain,,,,\r\n")
            .toUtf8();
    EXPECT_EQ(buf.data(), expected);

    // Agent texts that a spreadsheet would take for formulas are written as plain text.
    {
        Grid h;
        h.g.AddItem(u"10.0.0.9"_s, u""_s, u"=HYPERLINK(\"x\")"_s, u"+1"_s, u"-2"_s, u"@SUM(A1)"_s, u"a=b"_s);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        ASSERT_EQ(h.g.ExportCsv(&out), 1);
        EXPECT_TRUE(out.data().endsWith(
            QStringLiteral("10.0.0.9,\"'=HYPERLINK(\"\"x\"\")\",'+1,'-2,'@SUM(A1),a=b\r\n").toUtf8()))
            << out.data().toStdString();
    }

    // Only what the filter shows; written whole to a file.
    g.SetFilter(u"東京"_s);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"devices.csv"_s);
    ASSERT_EQ(g.ExportCsv(path), 1);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    EXPECT_TRUE(data.contains("10.0.0.1"));
    EXPECT_FALSE(data.contains("10.0.0.2"));

    EXPECT_EQ(g.ExportCsv(static_cast<QIODevice*>(nullptr)), 0);
    QBuffer closed;
    EXPECT_EQ(g.ExportCsv(&closed), 0);
    EXPECT_EQ(g.ExportCsv(dir.filePath(u"no/such/folder/x.csv"_s)), 0);
}

TEST(DevListGrid, FilterOnTenThousandRows)
{
    CZRDevListWnd wnd;
    wnd.resize(900, 600);
    wnd.show();
    CZRDevListGrid& g = *wnd.GetGrid();
    constexpr int kRows = 10000;
    const QString models[] = {u"TG-100"_s, u"TG-200"_s, u"Edge-X"_s, u"Relay"_s};
    QElapsedTimer clock;
    clock.start();
    g.EnableUpdate(false);
    for (int i = 0; i < kRows; ++i)
        g.AddItem(QStringLiteral("10.%1.%2.%3").arg(i / 65536).arg(i / 256 % 256).arg(i % 256), u"1.0"_s,
                  models[i % 4], QStringLiteral("fw%1").arg(i % 10), u"Linux"_s, u"ARM"_s,
                  QStringLiteral("host-%1").arg(i));
    g.EnableUpdate(true);
    QCoreApplication::processEvents();
    const qint64 fillMs = clock.restart();
    ASSERT_EQ(g.GetNumberRows(), kRows);
    g.SetItemName(u"10.0.39.15"_s, u"Kitchen"_s);

    // Typing narrows; case does not matter; every field counts.
    wnd.GetFilterEdit()->setText(u"tg-"_s);
    const qint64 filterMs = clock.restart();
    EXPECT_EQ(g.GetShownRowCount(), kRows / 2);
    wnd.GetFilterEdit()->setText(u"tg-2"_s);
    const qint64 narrowMs = clock.restart();
    EXPECT_EQ(g.GetShownRowCount(), kRows / 4);
    expectViewMatches(g);
    g.SetFilter(u"HOST-999"_s);
    EXPECT_EQ(g.GetShownRowCount(), 11); // host-999 and host-9990…9999
    g.SetFilter(u"kitchen"_s);
    EXPECT_EQ(g.GetShownRowCount(), 1);
    EXPECT_TRUE(g.IsRowShown(39 * 256 + 15));
    g.SetFilter(u"fw7"_s);
    EXPECT_EQ(g.GetShownRowCount(), kRows / 10);

    // Sorting keeps the hidden rows hidden; refreshes and new rows are filtered as they come.
    clock.restart();
    g.OnTH_LClicked(5, -1, 1, nullptr, nullptr, 0);
    QCoreApplication::processEvents();
    const qint64 sortMs = clock.restart();
    EXPECT_EQ(g.GetShownRowCount(), kRows / 10);
    expectViewMatches(g);
    g.AddItem(u"10.0.0.7"_s, u""_s, u""_s, u"fw0"_s, u""_s, u""_s, u""_s); // was shown (fw7), now hidden
    g.AddItem(u"192.168.1.1"_s, u""_s, u""_s, u"fw7"_s, u""_s, u""_s, u""_s);
    g.AddItem(u"192.168.1.2"_s, u""_s, u""_s, u"fw8"_s, u""_s, u""_s, u""_s);
    EXPECT_EQ(g.GetShownRowCount(), kRows / 10);
    expectViewMatches(g);

    // Check all under the filter, then a command's targets: shown rows only.
    g.SetAllChecked();
    long n = 0;
    long row = g.GetFirstCheckedAgentRow();
    QString label;
    while (g.GetNextCheckedAgent(&row, &label) == 0)
        ++n;
    EXPECT_EQ(n, kRows / 10);
    wnd.GetFilterEdit()->clear();
    EXPECT_EQ(g.GetShownRowCount(), kRows + 2);
    expectViewMatches(g);
    std::printf("10000 rows: fill %lld ms, filter %lld ms, narrow %lld ms, sort %lld ms\n", (long long)fillMs,
                (long long)filterMs, (long long)narrowMs, (long long)sortMs);
}

struct SavePicker : PickerService
{
    QString answer;
    int asked = 0;
    QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override
    {
        ++asked;
        return answer;
    }
};

TEST(DevListWnd, CheckAllAndExportThroughThePicker)
{
    CZRDevListWnd wnd;
    CZRDevListGrid& g = *wnd.GetGrid();
    add(g, u"10.0.0.1"_s, u"Alpha"_s);
    add(g, u"10.0.0.2"_s, u"Beta"_s);
    wnd.GetFilterEdit()->setText(u"beta"_s);
    QTest::mouseClick(wnd.GetCheckAllButton(), Qt::LeftButton);
    EXPECT_EQ(checkedLabels(g), QStringList({u"10.0.0.2"_s}));
    EXPECT_FALSE(g.StoredCell(0, 0)->GetBool());

    SavePicker picker;
    SetPickerService(&picker);
    QList<MessageRecord> boxes;
    SetMessageHandler([&boxes](const MessageRecord& r) {
        boxes << r;
        return IDOK;
    });
    QTemporaryDir dir;
    // Cancelled: nothing written, nothing said.
    EXPECT_EQ(wnd.Export(), 0);
    EXPECT_EQ(picker.asked, 1);
    // A name without suffix gets ".csv".
    picker.answer = dir.filePath(u"list"_s);
    EXPECT_EQ(wnd.Export(), 1);
    QFile f(dir.filePath(u"list.csv"_s));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Device IP,Model Name,Firmware Ver.,OS Ver.,CPU Type,Hostname\r\n"
                                      "10.0.0.2,Beta,fw,os,cpu,\r\n"));
    EXPECT_TRUE(boxes.isEmpty());
    // A place that cannot be written is reported.
    picker.answer = dir.filePath(u"missing/list.csv"_s);
    EXPECT_EQ(wnd.Export(), 0);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].icon, unsigned(MB_ICONERROR));
    SetMessageHandler({});
    SetPickerService(nullptr);
}

} // namespace
