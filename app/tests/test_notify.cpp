// Notifications the console reacts to: failures, late device information, the send callback.
#include "consoletest.h"
#include "gateway_process.h"
#include "resource.h"

#include <zrdevicegrid.h>
#include <zrdevicewnd.h>

#include <QCloseEvent>
#include <QDir>

using Notify = ConsoleFixture;

namespace {
void fail(QWidget* frame, const QString& nick, const QString& text)
{
    CZRNotify n(zrmsg::RequestFailed, nick, 0, text);
    QCoreApplication::sendEvent(frame, &n);
}
} // namespace

TEST_F(Notify, FailureBoxesShowTheGatewaysTextAsItIs)
{
    start("");
    fail(frame.get(), QStringLiteral("10.0.0.7:panel-7"), QStringLiteral("Disk %s full %n"));
    fail(frame.get(), QStringLiteral("no-colon-nick"), QStringLiteral("Refused."));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error - 10.0.0.7"));
    EXPECT_EQ(boxes[0].text, QStringLiteral("Disk %s full %n"));
    EXPECT_EQ(boxes[0].icon, unsigned(MB_ICONERROR));
    EXPECT_EQ(boxes[0].buttons, unsigned(MB_OK));
    EXPECT_EQ(boxes[1].caption, QStringLiteral("Error - no-colon-nick"));
}

TEST_F(Notify, FailuresWhileABoxIsUpAreCountedNotStacked)
{
    start("");
    int nested = 0;
    answer = [&](const MessageRecord&) {
        // What arrives while the first box waits for the operator.
        if (nested++ == 0) {
            for (int i = 0; i < 500; ++i)
                fail(frame.get(), QStringLiteral("10.0.%1.%2:x").arg(i / 250).arg(i % 250),
                     QStringLiteral("The device is not on line."));
            for (int i = 0; i < 30; ++i)
                fail(frame.get(), QStringLiteral("10.9.9.9:y"), QStringLiteral("Kind %1").arg(i));
        }
        return IDOK;
    };
    fail(frame.get(), QStringLiteral("10.1.1.1:first"), QStringLiteral("First."));
    // The first box, one for the 500 alike, then at most 20 kinds waiting in all.
    ASSERT_EQ(boxes.size(), 21u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("First."));
    EXPECT_EQ(boxes[1].text,
              QStringLiteral("The device is not on line.\n\n(499 more requests failed the same way.)"));
    EXPECT_EQ(boxes[2].text, QStringLiteral("Kind 0"));
    // Kinds beyond the queue are counted on the last box rather than lost without a word.
    EXPECT_TRUE(boxes.back().text.contains(QStringLiteral("11 more requests failed")))
        << boxes.back().text.toStdString();
    // Afterwards a new failure gets its own box at once.
    fail(frame.get(), QStringLiteral("10.1.1.1:first"), QStringLiteral("Again."));
    EXPECT_EQ(boxes.back().text, QStringLiteral("Again."));
}

TEST_F(Notify, PictureLookedUpAgainOnceTheModelIsKnown)
{
    tarntest::GatewayProcess gw({"--agents", "1", "--latency", "300"});
    const QString pictures =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Product Image"));
    ASSERT_TRUE(QDir(pictures).exists()) << pictures.toStdString();
    start("[Gateway]\nCount=1\nName1=G\nIP1=127.0.0.1\nPort1=" + QByteArray::number(gw.port()) + "\n",
          pictures);
    ASSERT_TRUE(doc()->ConnectGateway(QStringLiteral("G")));
    QTreeWidgetItem* node = tree()->FindGateway(QStringLiteral("G"));
    ASSERT_TRUE(
        waitUntil([&] { return tree()->FindAgent(QStringLiteral("G"), QStringLiteral("10.1.0.1")); }));
    QTreeWidgetItem* agent = tree()->FindAgent(QStringLiteral("G"), QStringLiteral("10.1.0.1"));
    tree()->setCurrentItem(agent);
    CZRAgent& record = control()->GetAgent(QStringLiteral("G|10.1.0.1"));
    ASSERT_TRUE(record.GetModelName().isEmpty()) << "the device information came too early for this test";
    CZRDeviceGrid* grid = frame->InfoView()->DeviceWnd()->GetGrid();
    CUGCell cell;
    grid->GetCell(CZRDeviceGrid::kPictureCol, CZRDeviceGrid::kPictureRow, &cell);
    const int fallback = cell.GetBitmapIndex();
    EXPECT_GE(fallback, 0);
    // The fallback is shown but not kept for the record's life.
    EXPECT_EQ(record.GetModelImage(), -1);

    ASSERT_TRUE(waitUntil([&] { return !record.GetModelName().isEmpty(); }));
    pump(50);
    EXPECT_GE(record.GetModelImage(), 0);
    EXPECT_NE(record.GetModelImage(), fallback);
    grid->GetCell(CZRDeviceGrid::kPictureCol, CZRDeviceGrid::kPictureRow, &cell);
    EXPECT_EQ(cell.GetBitmapIndex(), record.GetModelImage());
    EXPECT_EQ(grid->QuickGetText(CZRDeviceGrid::kValueColA, CZRDeviceGrid::kFirstInfoRow),
              record.GetModelName());
    (void)node;
}

TEST_F(Notify, SendCallbackReportsWhatWasSent)
{
    tarntest::GatewayProcess gw({"--agents", "1"});
    start("[Gateway]\nCount=1\nName1=G\nIP1=127.0.0.1\nPort1=" + QByteArray::number(gw.port()) + "\n");
    EXPECT_EQ(CTarnDoc::SendMessageCB(QString(), 1, doc(), QStringLiteral("G|10.1.0.1")), 0)
        << "not connected";
    ASSERT_TRUE(doc()->ConnectGateway(QStringLiteral("G")));
    ASSERT_TRUE(
        waitUntil([&] { return tree()->FindAgent(QStringLiteral("G"), QStringLiteral("10.1.0.1")); }));
    EXPECT_EQ(CTarnDoc::SendMessageCB(QString(), 1, doc(), QStringLiteral("G|10.1.0.1")), 1);
    EXPECT_EQ(CTarnDoc::SendMessageCB(QString(), 1, doc(), QStringLiteral("G|10.9.9.9")), 0)
        << "no such agent";
    EXPECT_EQ(CTarnDoc::SendMessageCB(QString(), 999, doc(), QStringLiteral("G|10.1.0.1")), 0)
        << "no such request";
    EXPECT_EQ(CTarnDoc::SendMessageCB(QString(), 1, nullptr, QStringLiteral("G|10.1.0.1")), 0);
}

TEST_F(Notify, ClosingWithTransfersPendingCanBeCancelled)
{
    tarntest::GatewayProcess gw({"--agents", "1"});
    start("[Gateway]\nCount=1\nName1=G\nIP1=127.0.0.1\nPort1=" + QByteArray::number(gw.port()) + "\n");
    ASSERT_TRUE(doc()->ConnectGateway(QStringLiteral("G")));
    ASSERT_TRUE(
        waitUntil([&] { return tree()->FindAgent(QStringLiteral("G"), QStringLiteral("10.1.0.1")); }));
    int number = 0;
    // Still on its way to the gateway: the stronger question.
    control()->GetGateway(QStringLiteral("G")).AddTransfer(0, number, QStringLiteral("/tmp/f"), 10, 1);
    answer = [](const MessageRecord&) { return IDCANCEL; };
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              QStringLiteral(
                  "Gateway is still transferring the file(s), \nare you sure you want to leave the window?"));
    EXPECT_EQ(control()->GetThreadCount(), 1);
    answer = [](const MessageRecord&) { return IDOK; };
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(control(), nullptr) << "closing ends the connections at once";
}
