// The date and time dialog: the clock shows the agent's time, both clocks tick and wrap, edits of
// the hour or the day alone, what OK, Apply and Sync RTC send, and times that must never be sent.
#include "sent.h"
#include "xanalogclock.h"
#include "zrdatetimedlg.h"

#include <messagebox.h>

#include <QCoreApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

struct DateTimeDlg : ::testing::Test
{
    DateTimeDlg()
    {
        sentLog().clear();
        SetMessageHandler([this](const MessageRecord& r) {
            boxes.push_back(r);
            return IDOK;
        });
        dlg = std::make_unique<CZRDateTimeDlg>(nullptr, 1);
        dlg->SetNick(QStringLiteral("Plant|10.1.0.3"));
        dlg->AddTitleInfo(QStringLiteral("10.1.0.3"));
        dlg->AddTitleInfo(QString());
        dlg->SetApplyAction(&recordSend, &context);
        dlg->SetActionType(18, 19);
    }
    ~DateTimeDlg() override
    {
        dlg.reset();
        SetMessageHandler({});
    }
    int context = 0;
    std::unique_ptr<CZRDateTimeDlg> dlg;
    std::vector<MessageRecord> boxes;
};

TEST_F(DateTimeDlg, OpensOnTheAgentsTimeAndTheClockShowsIt)
{
    dlg->SetOSType(0);
    dlg->SetSYSTime(QStringLiteral("2031-07-04 09:30:15"));
    dlg->SetRTCTime(QStringLiteral("2031-07-04 09:29:00"));
    dlg->OnInitDialog();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Date/Time Setup - 10.1.0.3"));
    EXPECT_EQ(dlg->dateEdit()->date(), QDate(2031, 7, 4));
    EXPECT_EQ(dlg->timeEdit()->time(), QTime(9, 30, 15));
    EXPECT_EQ(dlg->dateEdit()->minimumDate(), QDate(2000, 1, 1));
    EXPECT_EQ(dlg->dateEdit()->maximumDate(), QDate(2099, 12, 31));
    EXPECT_EQ(dlg->rtcField()->text(), QStringLiteral("2031-Jul-04 09:29:00"));
    EXPECT_TRUE(dlg->button(CZRDateTimeDlg::IDC_SYNC_RTC)->isEnabled());
    // The agent's time, not this computer's, and running.
    EXPECT_FALSE(dlg->clock()->IsSystemTime());
    EXPECT_EQ(dlg->clock()->GetTime(), at(2031, 7, 4, 9, 30, 15));
    EXPECT_TRUE(dlg->clock()->IsClockRunning());
    EXPECT_EQ(dlg->clock()->size(), dlg->clock()->GetWindowSize());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DateTimeDlg, BothClocksTickAndWrapAtTheEndOfTheRange)
{
    dlg->SetOSType(0);
    dlg->SetSYSTime(2099, 12, 31, 23, 59, 59);
    dlg->SetRTCTime(2099, 12, 31, 23, 59, 58);
    dlg->OnInitDialog();
    dlg->OnTimer();
    EXPECT_EQ(dlg->GetSYSTime(), at(2000, 1, 1, 0, 0, 0));
    EXPECT_EQ(dlg->dateEdit()->date(), QDate(2000, 1, 1));
    EXPECT_EQ(dlg->timeEdit()->time(), QTime(0, 0, 0));
    EXPECT_EQ(dlg->GetRTCTime(), at(2099, 12, 31, 23, 59, 59));
    dlg->OnTimer();
    EXPECT_EQ(dlg->rtcField()->text(), QStringLiteral("2000-Jan-01 00:00:00"));
    // Ticks are not edits: nothing is sent on OK.
    EXPECT_FALSE(dlg->IsEdited());
    dlg->OnOK();
    EXPECT_TRUE(sentLog().empty());
}

TEST_F(DateTimeDlg, ATimeOutsideTheRangeIsRefusedAndTheComputersTimeTaken)
{
    dlg->SetSYSTime(QStringLiteral("1999-12-31 10:00:00"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(
        boxes[0].text.startsWith(QStringLiteral("The value is out of range (year value is from 2000 to "
                                                "2099). \nClick apply")));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Date/Time Setup"));
    EXPECT_EQ(boxes[0].icon, unsigned(MB_ICONERROR));
    EXPECT_LE(std::abs(dlg->GetSYSTime().secsTo(CXAnalogClock::LocalNow())), 2);
    dlg->SetRTCTime(2100, 1, 1, 0, 0, 0);
    EXPECT_EQ(boxes.size(), 2u);
    // Unreadable text is an invalid time, without a box.
    dlg->SetSYSTime(QStringLiteral("yesterday at noon"));
    EXPECT_FALSE(dlg->GetSYSTime().isValid());
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(DateTimeDlg, EditingTheHourOnlyKeepsTheDateAndOkSendsOnce)
{
    dlg->SetSYSTime(QStringLiteral("2030-03-15 08:10:20"));
    dlg->OnInitDialog();
    dlg->timeEdit()->setTime(QTime(17, 10, 20)); // the operator's change
    EXPECT_TRUE(dlg->IsEdited());
    EXPECT_FALSE(dlg->clock()->IsClockRunning());
    EXPECT_EQ(dlg->clock()->GetTime(), at(2030, 3, 15, 17, 10, 20));
    // The agent's time runs on underneath while the controls hold the edit.
    dlg->OnTimer();
    dlg->OnTimer();
    EXPECT_EQ(dlg->GetSYSTime(), at(2030, 3, 15, 8, 10, 22));
    EXPECT_EQ(dlg->timeEdit()->time(), QTime(17, 10, 20));
    dlg->OnOK();
    ASSERT_EQ(sentLog().size(), 1u);
    EXPECT_EQ(sentLog()[0].parameter, QStringLiteral("2030-03-15 17:10:20"));
    EXPECT_EQ(sentLog()[0].number, 18);
    EXPECT_EQ(sentLog()[0].context, &context);
    EXPECT_EQ(sentLog()[0].key, QStringLiteral("Plant|10.1.0.3"));
}

TEST_F(DateTimeDlg, EditingTheDayOnlyKeepsTheTimeAndApplyThenOkSendsNothingMore)
{
    dlg->SetSYSTime(QStringLiteral("2030-03-15 08:10:20"));
    dlg->OnInitDialog();
    dlg->dateEdit()->setDate(QDate(2030, 3, 1));
    dlg->OnApply();
    ASSERT_EQ(sentLog().size(), 1u);
    EXPECT_EQ(sentLog()[0].parameter, QStringLiteral("2030-03-01 08:10:20"));
    EXPECT_FALSE(dlg->IsEdited());
    EXPECT_TRUE(dlg->clock()->IsClockRunning());
    // Type 1 agents keep one clock: the RTC field follows.
    EXPECT_EQ(dlg->rtcField()->text(), QStringLiteral("2030-Mar-01 08:10:20"));
    dlg->OnOK();
    EXPECT_EQ(sentLog().size(), 1u);
}

TEST_F(DateTimeDlg, TypeOneAgentsMirrorTheSystemTimeAndCannotSyncTheRtc)
{
    dlg->SetOSType(1);
    dlg->SetSYSTime(QStringLiteral("2030-03-15 08:10:20"));
    dlg->SetRTCTime(QStringLiteral("2001-01-01 00:00:00"));
    dlg->OnInitDialog();
    EXPECT_FALSE(dlg->button(CZRDateTimeDlg::IDC_SYNC_RTC)->isEnabled());
    EXPECT_EQ(dlg->rtcField()->text(), QStringLiteral("2030-Mar-15 08:10:20"));
    dlg->OnTimer();
    EXPECT_EQ(dlg->rtcField()->text(), QStringLiteral("2030-Mar-15 08:10:21"));
}

TEST_F(DateTimeDlg, SyncRtcSendsTheSystemTimeToTheRtc)
{
    dlg->SetOSType(0);
    dlg->SetSYSTime(QStringLiteral("2030-03-15 08:10:20"));
    dlg->SetRTCTime(QStringLiteral("2029-01-01 00:00:00"));
    dlg->OnInitDialog();
    dlg->OnSyncRTC();
    ASSERT_EQ(sentLog().size(), 1u);
    EXPECT_EQ(sentLog()[0].parameter, QStringLiteral("2030-03-15 08:10:20"));
    EXPECT_EQ(sentLog()[0].number, 19);
    EXPECT_EQ(dlg->GetRTCTime(), dlg->GetSYSTime());
}

TEST_F(DateTimeDlg, AnInvalidTimeIsNeverSent)
{
    dlg->SetOSType(0);
    dlg->SetSYSTime(QStringLiteral("garbage"));
    dlg->SetRTCTime(QStringLiteral("2029-01-01 00:00:00"));
    dlg->OnInitDialog();
    EXPECT_EQ(dlg->clock()->GetHour(), -1); // the face only
    dlg->OnTimer();
    EXPECT_FALSE(dlg->GetSYSTime().isValid());
    // Sync RTC has no valid system time to copy: the RTC keeps its own.
    dlg->OnSyncRTC();
    EXPECT_EQ(dlg->GetRTCTime(), at(2029, 1, 1, 0, 0, 1));
    EXPECT_EQ(dlg->ApplyTime(18, QDateTime()), 0);
    for (const Sent& s : sentLog())
        EXPECT_NE(s.parameter, QStringLiteral("Invalid DateTime"));
    EXPECT_TRUE(sentLog().empty());
    EXPECT_EQ(CZRDateTimeDlg::DisplayText(QDateTime()), QStringLiteral("Invalid DateTime"));
}

TEST_F(DateTimeDlg, ATimeInTheComputersDaylightSavingGapIsTheAgentsAndKeptAsItIs)
{
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    // 02:30 on that night does not exist in Berlin; the agent's clock may still show it.
    dlg->SetSYSTime(QStringLiteral("2026-03-29 02:30:00"));
    dlg->OnInitDialog();
    EXPECT_EQ(dlg->timeEdit()->time(), QTime(2, 30, 0));
    dlg->OnTimer();
    EXPECT_EQ(dlg->GetSYSTime(), at(2026, 3, 29, 2, 30, 1));
    dlg->timeEdit()->setTime(QTime(2, 45, 0));
    dlg->OnApply();
    ASSERT_EQ(sentLog().size(), 1u);
    EXPECT_EQ(sentLog()[0].parameter, QStringLiteral("2026-03-29 02:45:00"));
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
}

TEST_F(DateTimeDlg, CancelSendsNothingAndTheSelfDeletingDialogSendsFromCopies)
{
    dlg->SetSYSTime(QStringLiteral("2030-03-15 08:10:20"));
    dlg->OnInitDialog();
    dlg->timeEdit()->setTime(QTime(9, 0, 0));
    dlg->OnCancel();
    EXPECT_TRUE(sentLog().empty());

    // A dialog that deletes itself on closing still sends what OK took.
    QPointer<CZRDateTimeDlg> own = new CZRDateTimeDlg(nullptr, 0);
    own->SetNick(QStringLiteral("Plant|10.1.0.9"));
    own->SetApplyAction(&recordSend, &context);
    own->SetActionType(18, 19);
    own->SetSYSTime(QStringLiteral("2030-03-15 08:10:20"));
    own->show();
    own->timeEdit()->setTime(QTime(9, 0, 0));
    own->OnOK();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(own.isNull());
    ASSERT_EQ(sentLog().size(), 1u);
    EXPECT_EQ(sentLog()[0].parameter, QStringLiteral("2030-03-15 09:00:00"));
    EXPECT_EQ(sentLog()[0].key, QStringLiteral("Plant|10.1.0.9"));
}

} // namespace
