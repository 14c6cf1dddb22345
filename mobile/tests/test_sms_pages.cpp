// The SMS pages and the AT console driven through the window's members with made-up replies: the
// reply forms, quoting, and the state that navigation and Reset must clear.
#include "atwnd.h"
#include "mobiletest.h"
#include "resource.h"
#include "smswnd.h"
#include "zrmobilewnd.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QString kKey = QStringLiteral("gw|10.0.0.1");

struct SmsPages : ::testing::Test
{
    SmsPages()
    {
        parent.resize(900, 560);
        wnd = new CZRMobileWnd(&parent);
        wnd->setGeometry(parent.rect());
        wnd->SetSendMessageCB(&SendRecorder::Callback, nullptr, &rec);
        wnd->SetNick(kKey);
        wnd->SetVersion(QStringLiteral("2.1.1"));
        parent.show();
    }
    void reply(int code, const QString& text = QString()) { wnd->ReceiveMessage(quint16(code), kKey, text); }
    CZRMobileSMSWnd* sms() const { return wnd->findChild<CZRMobileSMSWnd*>(); }
    CZRMobileSMSInboxWnd* inbox() const { return sms()->Inbox(); }

    MessageRecorder boxes;
    SendRecorder rec;
    QWidget parent;
    CZRMobileWnd* wnd;
};

} // namespace

TEST(SmsText, ZonesOfEitherSignAreDroppedAndTextsEscaped)
{
    EXPECT_EQ(SmsDateWithoutZone(QStringLiteral("26/12/07,17:40:51+04")),
              QStringLiteral("26/12/07,17:40:51"));
    EXPECT_EQ(SmsDateWithoutZone(QStringLiteral("26/12/07,17:40:51-08")),
              QStringLiteral("26/12/07,17:40:51"));
    EXPECT_EQ(SmsDateWithoutZone(QStringLiteral("26/12/07,17:40:51")), QStringLiteral("26/12/07,17:40:51"));
    EXPECT_EQ(SmsDateWithoutZone(QString()), QString());
    EXPECT_EQ(EscapeSmsText(QStringLiteral("a\\b\"c\r\nd")), QStringLiteral("a\\\\b\\\"c\\r\\nd"));
    EXPECT_TRUE(TemplateTooLong(QString(1020, u'x')).isEmpty());
    EXPECT_FALSE(TemplateTooLong(QString(1021, u'x')).isEmpty());
    EXPECT_FALSE(TemplateTooLong(QString(511, u'"')).isEmpty()); // 1022 escaped, 1024 quoted
}

TEST(SmsText, ReplyFormsStatusesAndUndecodablePdus)
{
    SmsRow row;
    ASSERT_TRUE(ParseInboxReply(
        QStringLiteral("7 \"REC UNREAD\" \"+4912\" \"26/01/02,03:04:05-04\" \"a\\\"b\""), &row));
    EXPECT_EQ(row.index, 7);
    EXPECT_TRUE(row.unread);
    EXPECT_EQ(row.date, QStringLiteral("26/01/02,03:04:05"));
    EXPECT_EQ(row.text, QStringLiteral("a\"b"));
    // Any other status text reads as read; the stored ones are not listed.
    row = SmsRow{};
    ASSERT_TRUE(ParseInboxReply(QStringLiteral("8 \"REC SEEN\" \"1\" \"\" \"x\""), &row));
    EXPECT_FALSE(row.unread);
    EXPECT_FALSE(ParseInboxReply(QStringLiteral("9 \"STO SENT\" \"1\" \"\" \"x\""), &row));
    EXPECT_FALSE(ParseInboxReply(QStringLiteral("9 \"STO UNSENT\" \"1\" \"\" \"x\""), &row));
    // PDU form: status 0 unread; 2 and 3 not listed; a PDU that does not decode is skipped.
    const QString pdu = QStringLiteral("0004039121F30000628010214000000361F118");
    row = SmsRow{};
    ASSERT_TRUE(ParseInboxReply(QStringLiteral("3 0 18 ") + pdu, &row));
    EXPECT_TRUE(row.unread);
    EXPECT_EQ(row.sender, QStringLiteral("+123"));
    EXPECT_EQ(row.text, QStringLiteral("abc"));
    EXPECT_EQ(row.date, QStringLiteral("26/08/01,12:04:00"));
    EXPECT_EQ(row.pdu, pdu);
    EXPECT_FALSE(ParseInboxReply(QStringLiteral("3 3 18 ") + pdu, &row));
    EXPECT_FALSE(ParseInboxReply(QStringLiteral("3 1 18 0004039121F3000062801021400000"), &row));
    EXPECT_FALSE(ParseInboxReply(QStringLiteral("3 1"), &row));
    row = SmsRow{};
    ASSERT_TRUE(ParseHistoryReply(pdu, &row));
    EXPECT_EQ(row.text, QStringLiteral("abc"));
    ASSERT_TRUE(ParseHistoryReply(QStringLiteral("\"5555\" \"26/01/02,03:04:05+04\" \"x\""), &row));
    EXPECT_EQ(row.sender, QStringLiteral("5555"));
    EXPECT_FALSE(ParseHistoryReply(QStringLiteral("\"5555\" \"x\""), &row));
}

TEST_F(SmsPages, AListingParkedAndDroppedByNavigationLoadsAgainNextTime)
{
    // The gate is closed by another page's request: the inbox's listing is parked.
    wnd->SendGated(32, nullptr);
    wnd->ShowPage(PAGE_SMS);
    EXPECT_EQ(wnd->ParkedRequest(), 42);
    EXPECT_TRUE(inbox()->Listing());
    // Leaving drops the parked listing; coming back asks again instead of waiting forever.
    wnd->ShowPage(PAGE_ATCOMMAND);
    EXPECT_EQ(wnd->ParkedRequest(), 0);
    EXPECT_FALSE(inbox()->Listing());
    reply(302, QStringLiteral("0"));
    const int before = rec.count(42);
    wnd->ShowPage(PAGE_SMS);
    EXPECT_EQ(rec.count(42), before + 1);
    reply(322, QStringLiteral("1 \"REC READ\" \"+1\" \"26/01/02,03:04:05+04\" \"x\""));
    reply(322, QStringLiteral("1 \"REC READ\" \"+1\" \"26/01/02,03:04:05+04\" \"x\"")); // listed twice
    reply(323);
    EXPECT_EQ(inbox()->Grid()->Count(), 1);
    // A reset (another agent) empties the rows and loads again when shown.
    wnd->Reset();
    wnd->SetNick(kKey);
    EXPECT_EQ(inbox()->Grid()->Count(), 0);
    EXPECT_TRUE(inbox()->ReloadPending());
    wnd->ShowPage(PAGE_SIM);
    reply(302, QStringLiteral("0"));
    wnd->ShowPage(PAGE_SMS);
    EXPECT_EQ(rec.count(42), before + 2);
}

TEST_F(SmsPages, ADeletionParkedAndDroppedEndsTheRun)
{
    wnd->ShowPage(PAGE_SMS);
    reply(322, QStringLiteral("1 \"REC READ\" \"+1\" \"\" \"x\""));
    reply(322, QStringLiteral("2 \"REC READ\" \"+1\" \"\" \"y\""));
    reply(323);
    inbox()->Grid()->SetChecked(0, true);
    wnd->SendGated(61, nullptr); // something else holds the gate
    inbox()->DeleteChecked();
    EXPECT_EQ(wnd->ParkedRequest(), 45);
    EXPECT_EQ(inbox()->DeletingRow(), 0);
    wnd->ShowPage(PAGE_ATCOMMAND);
    EXPECT_EQ(inbox()->DeletingRow(), -1);
    // The marks are kept, and a new run can start.
    reply(373);
    wnd->ShowPage(PAGE_SMS);
    reply(323);
    EXPECT_TRUE(inbox()->Grid()->Checked(0));
    inbox()->DeleteChecked();
    EXPECT_EQ(rec.sent.back().number, 45);
    EXPECT_EQ(rec.sent.back().text, QStringLiteral("1"));
}

TEST_F(SmsPages, TextsOfOldAgentsAndCutsOfTheNewOnes)
{
    CZRMobileSMSEditWnd* edit = sms()->Edit();
    EXPECT_EQ(edit->Counter()->text(), QStringLiteral("Counter: 140"));
    EXPECT_TRUE(edit->PutMessage(QStringLiteral("abc\u00e9") + QString(100, u'x')));
    EXPECT_EQ(edit->Message()->toPlainText().size(), 70);
    EXPECT_EQ(edit->Counter()->text(), QStringLiteral("Counter: 0"));
    EXPECT_TRUE(edit->PutMessage(QString(200, u'x') + QStringLiteral("\u00e9")));
    EXPECT_EQ(edit->Message()->toPlainText(), QString(140, u'x'));
    // A surrogate pair is never split by a cut.
    EXPECT_TRUE(edit->PutMessage(QString(69, u'x') + QStringLiteral("\U0001F600")));
    EXPECT_EQ(edit->Message()->toPlainText(), QString(69, u'x'));
    wnd->SetVersion(QStringLiteral("2.1.0"));
    EXPECT_FALSE(edit->PutMessage(QStringLiteral("\u00e9t\u00e9")));
    EXPECT_EQ(edit->Message()->toPlainText(), QString(69, u'x'));
    EXPECT_FALSE(edit->Note()->text().isEmpty());
}

TEST_F(SmsPages, AParkedCommandWaitsForTheContinuation)
{
    wnd->ShowPage(PAGE_ATCOMMAND);
    auto* atc = wnd->findChild<CZRMobileATCWnd*>();
    atc->Command()->setText(QStringLiteral("AT+CMGS=\"1\""));
    atc->Send();
    atc->Command()->setText(QStringLiteral("AT+CSQ"));
    atc->Send();
    EXPECT_EQ(wnd->ParkedRequest(), 61);
    // The prompt: the continuation goes first, the parked command after its end.
    bool asked = false;
    QTimer::singleShot(50, [&] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            asked = true;
            d->reject();
        }
    });
    reply(372, QStringLiteral("\r\n> "));
    reply(373);
    EXPECT_TRUE(asked);
    EXPECT_EQ(rec.sent.back().text, QString(QChar(27)));
    EXPECT_EQ(wnd->ParkedRequest(), 61);
    reply(372, QStringLiteral("\r\nOK\r\n"));
    reply(373);
    EXPECT_EQ(rec.sent.back().text, QStringLiteral("AT+CSQ"));
    // Output ending in ">" with nothing after it is no prompt.
    reply(372, QStringLiteral("\r\n>"));
    const std::size_t sent = rec.sent.size();
    reply(373);
    EXPECT_EQ(rec.sent.size(), sent);
}
