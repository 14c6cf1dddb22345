// Inbox, history, editing, templates and the AT console end to end: the mobile window, the control
// core and the stand-in gateway's modem, one agent reporting PDUs and one reporting text.
#include "atwnd.h"
#include "gateway_process.h"
#include "mobiletest.h"
#include "resource.h"
#include "smspdu.h"
#include "smswnd.h"
#include "zrmobilewnd.h"

#include <notify.h>
#include <zrcontrol.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QString kNew = QStringLiteral("site|10.5.0.1"); // 2.4.1: PDUs, UCS-2 allowed
const QString kOld = QStringLiteral("site|10.5.0.2"); // 2.1.0: text form only
const char* kFleet = "10.5.0.1 cell-new model=K520-LX\n"
                     "10.5.0.2 cell-old model=K520-LX version=2.1.0\n";

// Answers the next modal dialog with that object name; answered() tells whether it came.
class ModalAnswer
{
public:
    ModalAnswer(const QString& name, std::function<void(QDialog*)> answer)
        : m_flag(std::make_shared<bool>(false))
    {
        auto* timer = new QTimer;
        auto flag = m_flag;
        auto ticks = std::make_shared<int>(0);
        timer->setInterval(20);
        QObject::connect(timer, &QTimer::timeout, [timer, name, answer, flag, ticks] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (d && d->objectName() == name && d->isVisible()) {
                *flag = true;
                timer->stop();
                timer->deleteLater();
                answer(d);
            } else if (++*ticks > 500) {
                timer->stop();
                timer->deleteLater();
            }
        });
        timer->start();
    }
    bool answered() const { return *m_flag; }

private:
    std::shared_ptr<bool> m_flag;
};

template <typename T> T* named(QWidget* w, const QString& name)
{
    for (T* c : w->findChildren<T*>())
        if (c->objectName() == name) return c;
    return nullptr;
}

struct SmsEndToEnd : ::testing::Test
{
    void start(const QString& key, std::vector<std::string> extra = {})
    {
        ASSERT_TRUE(dir.isValid());
        const QString fleet = dir.filePath(QStringLiteral("fleet.txt"));
        QFile f(fleet);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kFleet);
        f.close();
        std::vector<std::string> args = {"--fleet", fleet.toStdString()};
        args.insert(args.end(), extra.begin(), extra.end());
        gateway = std::make_unique<tarntest::GatewayProcess>(args);
        ASSERT_TRUE(gateway->ok());
        control = connect(relay);
        ASSERT_TRUE(control);

        parent.resize(900, 560);
        wnd = new CZRMobileWnd(&parent);
        wnd->setGeometry(parent.rect());
        parent.show();
        relay.deliver = [this](const _Notice& n) {
            codes.push_back(n.code);
            wnd->ReceiveMessage(quint16(n.code), n.key, n.text);
        };
        rec.forward = [this](const SentRequest& r) {
            return control->SendRequest(r.number, r.hasText ? r.text : QString(), r.key);
        };
        wnd->SetSendMessageCB(&SendRecorder::Callback, &parent, &rec);
        wnd->EnableATRelated(true);
        wnd->Reset();
        wnd->SetNick(key);
        wnd->SetVersion(key == kNew ? QStringLiteral("2.4.1 Build 1190") : QStringLiteral("2.1.0"));
        wnd->SetModel(QStringLiteral("K520-LX"));
        wnd->Init();
        ASSERT_TRUE(waitUntil([&] { return rec.count(32) == 1 && wnd->IsReady(); }));
    }
    std::unique_ptr<CZRControl> connect(Relay& r)
    {
        auto c = std::make_unique<CZRControl>();
        c->SetMainHWND(&r);
        c->AddGateway(QStringLiteral("site"), QStringLiteral("127.0.0.1"), QString::number(gateway->port()));
        if (c->Connect2Gateway(QStringLiteral("site")) != 1) return nullptr;
        if (!waitUntil([&] { return r.online == 2; }, 10000)) return nullptr;
        return c;
    }
    void TearDown() override
    {
        delete wnd;
        control.reset();
        gateway.reset();
    }
    CZRMobileSMSWnd* sms() const { return wnd->findChild<CZRMobileSMSWnd*>(); }
    CZRMobileSMSGrid* inbox() const { return sms()->Inbox()->Grid(); }
    bool showInbox(int rows)
    {
        wnd->ShowPage(PAGE_SMS);
        sms()->ShowTab(0);
        const bool ok = waitUntil([&] { return !sms()->Inbox()->Listing() && inbox()->Count() == rows; });
        if (!ok) ADD_FAILURE() << "inbox has " << inbox()->Count() << " rows, not " << rows;
        return ok;
    }
    // Settles until the gate is open and no request is parked.
    bool idle()
    {
        return waitUntil([&] { return wnd->IsReady() && wnd->ParkedRequest() == 0; });
    }
    std::vector<QString> texts(int number) const
    {
        std::vector<QString> out;
        for (const SentRequest& r : rec.sent)
            if (r.number == number) out.push_back(r.text);
        return out;
    }
    int seen(int code) const { return int(std::count(codes.begin(), codes.end(), code)); }
    // Waits for more replies of that code than `before`.
    bool more(int code, int before)
    {
        const bool ok = waitUntil([&] { return seen(code) > before; });
        if (!ok) ADD_FAILURE() << "no further reply " << code;
        return ok;
    }
    bool sawBox(const QString& part)
    {
        return waitUntil([&] {
            for (const MessageRecord& b : boxes.boxes)
                if (b.text.contains(part)) return true;
            return false;
        });
    }

    MessageRecorder boxes;
    QTemporaryDir dir;
    Relay relay;
    SendRecorder rec;
    std::vector<int> codes;
    std::unique_ptr<tarntest::GatewayProcess> gateway;
    std::unique_ptr<CZRControl> control;
    QWidget parent;
    CZRMobileWnd* wnd = nullptr;
};

} // namespace

TEST_F(SmsEndToEnd, InboxListsPduAndTextRowsAndOpensOne)
{
    start(kNew);
    ASSERT_TRUE(showInbox(2)); // the stored sent message is not listed
    EXPECT_EQ(rec.count(42), 1);
    const SmsRow unread = inbox()->Row(1);
    EXPECT_TRUE(unread.unread);
    EXPECT_FALSE(unread.pdu.isEmpty());
    EXPECT_EQ(unread.index, 2);
    EXPECT_EQ(unread.text, QStringLiteral("Pump 3 pressure \"high\" since 17:38.\nPlease check."));
    EXPECT_EQ(unread.date, QStringLiteral("26/12/07,17:40:51"));
    EXPECT_TRUE(inbox()->Tree()->topLevelItem(1)->font(0).weight() > QFont::Normal);
    EXPECT_FALSE(inbox()->Row(0).unread);

    // Both storages: the device's message comes in text form, without its zone.
    ASSERT_TRUE(idle());
    const QString both = QStringLiteral("MT");
    wnd->SendGated(47, &both);
    ASSERT_TRUE(waitUntil([&] { return inbox()->Count() == 3 && !sms()->Inbox()->Listing(); }));
    EXPECT_EQ(inbox()->Row(2).index, 101);
    EXPECT_TRUE(inbox()->Row(2).pdu.isEmpty());
    EXPECT_EQ(inbox()->Row(2).date, QStringLiteral("26/11/28,12:00:00"));

    // Opening marks it read on the agent and shows it; OK closes.
    ASSERT_TRUE(idle());
    QString shownSender;
    ModalAnswer answer(QStringLiteral("SmsDlg"), [&](QDialog* d) {
        shownSender = d->findChildren<QLineEdit*>().value(0)->text();
        named<QPushButton>(d, QStringLiteral("OkButton"))->click();
    });
    sms()->Inbox()->Open(1);
    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(shownSender, unread.sender);
    EXPECT_EQ(texts(43).back(), QStringLiteral("2"));
    EXPECT_FALSE(inbox()->Tree()->topLevelItem(1)->font(0).weight() > QFont::Normal);
    ASSERT_TRUE(idle());
    const int lists = seen(323);
    sms()->Inbox()->RefreshNow();
    ASSERT_TRUE(more(323, lists));
    ASSERT_EQ(inbox()->Count(), 3);
    EXPECT_FALSE(inbox()->Row(1).unread);
}

TEST_F(SmsEndToEnd, DeletesOneAndThenThreeWithTheMiddleOneFailing)
{
    start(kNew);
    ASSERT_TRUE(idle());
    const QString both = QStringLiteral("MT");
    wnd->SendGated(47, &both);
    ASSERT_TRUE(idle());
    ASSERT_TRUE(showInbox(3));

    // Another console deletes slot 2 behind the page's back.
    Relay other;
    auto second = connect(other);
    ASSERT_TRUE(second);
    bool gone = false;
    other.deliver = [&](const _Notice& n) { gone = gone || n.code == 330; };
    ASSERT_EQ(second->SendRequest(45, QStringLiteral("2"), kNew), 1);
    ASSERT_TRUE(waitUntil([&] { return gone; }));

    for (int r = 0; r < 3; ++r)
        inbox()->SetChecked(r, true);
    ASSERT_TRUE(idle());
    const int lists = rec.count(42);
    const std::size_t before = boxes.boxes.size();
    sms()->Inbox()->DeleteChecked();
    ASSERT_EQ(boxes.boxes.size(), before + 1);
    EXPECT_EQ(boxes.boxes.back().caption, QStringLiteral("SMS_Inbox"));
    // One request at a time, each after the previous reply; the failed one is reported and the run
    // goes on; one reload after the run.
    ASSERT_TRUE(waitUntil([&] { return texts(45).size() == 3 && sms()->Inbox()->DeletingRow() < 0; }));
    EXPECT_EQ(texts(45),
              (std::vector<QString>{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("101")}));
    EXPECT_TRUE(sawBox(QStringLiteral("There is no message at this index.")));
    ASSERT_TRUE(waitUntil([&] { return !sms()->Inbox()->Listing() && rec.count(42) == lists + 1; }));
    ASSERT_TRUE(idle());
    EXPECT_EQ(inbox()->Count(), 0); // the stored sent message is all that is left
}

TEST_F(SmsEndToEnd, DeletesFromTheDialogAndKeepsTheOtherMarks)
{
    start(kOld);
    ASSERT_TRUE(showInbox(2));
    inbox()->SetChecked(1, true);
    ASSERT_TRUE(idle());
    const int lists = rec.count(42);
    ModalAnswer answer(QStringLiteral("SmsDlg"),
                       [&](QDialog* d) { named<QPushButton>(d, QStringLiteral("DeleteButton"))->click(); });
    sms()->Inbox()->Open(0);
    EXPECT_TRUE(answer.answered());
    // The dialog's row goes first, then the one checked before; one reload at the end.
    ASSERT_TRUE(waitUntil([&] { return texts(45).size() == 2 && sms()->Inbox()->DeletingRow() < 0; }));
    EXPECT_EQ(texts(45)[0], QStringLiteral("1"));
    EXPECT_EQ(texts(45)[1], QStringLiteral("2"));
    ASSERT_TRUE(waitUntil([&] { return !sms()->Inbox()->Listing() && rec.count(42) == lists + 1; }));
    ASSERT_TRUE(idle());
    EXPECT_EQ(inbox()->Count(), 0);
}

TEST_F(SmsEndToEnd, MovesToTheHistoryInBothFormsAndDeletesFromTheTop)
{
    start(kNew);
    ASSERT_TRUE(idle());
    const QString both = QStringLiteral("MT");
    wnd->SendGated(47, &both);
    ASSERT_TRUE(idle());
    ASSERT_TRUE(showInbox(3));
    inbox()->SetChecked(0, true);
    inbox()->SetChecked(2, true);
    const QString pdu = inbox()->Row(0).pdu;
    ASSERT_TRUE(idle());
    const int lists = seen(323);
    sms()->Inbox()->ExportChecked();
    ASSERT_EQ(texts(48).size(), 2u);
    EXPECT_EQ(texts(48)[0], QStringLiteral("1 ") + pdu);
    EXPECT_EQ(texts(48)[1],
              QStringLiteral("101 \"5555\" \"26/11/28,12:00:00\" \"Your data plan renews on 1 January.\""));
    EXPECT_EQ(rec.count(49), 1);
    // The moved rows go at once; the list read again holds only the rest.
    ASSERT_TRUE(more(323, lists));
    ASSERT_EQ(inbox()->Count(), 1);
    EXPECT_EQ(inbox()->Row(0).index, 2);

    sms()->ShowTab(3);
    CZRMobileSMSGrid* history = sms()->History()->Grid();
    ASSERT_TRUE(more(341, 0));
    ASSERT_EQ(history->Count(), 2);
    EXPECT_EQ(history->Row(0).text, QStringLiteral("Maintenance window tonight 22:00-23:00."));
    EXPECT_EQ(history->Row(0).date, QStringLiteral("26/12/01,09:14:03"));
    EXPECT_EQ(history->Row(1).sender, QStringLiteral("5555"));

    history->SetChecked(0, true);
    history->SetChecked(1, true);
    sms()->History()->DeleteChecked();
    ASSERT_TRUE(more(341, 1));
    // Highest number first, so the first deletion never renumbers the second.
    EXPECT_EQ(texts(51), (std::vector<QString>{QStringLiteral("2"), QStringLiteral("1")}));
    EXPECT_EQ(history->Count(), 0);
    EXPECT_EQ(rec.count(50), 2);
}

TEST_F(SmsEndToEnd, TextFormMoveKeepsQuotesAndLineBreaksEscaped)
{
    start(kOld);
    ASSERT_TRUE(showInbox(2));
    inbox()->SetChecked(1, true);
    sms()->Inbox()->ExportChecked();
    ASSERT_EQ(texts(48).size(), 1u);
    EXPECT_TRUE(texts(48)[0].endsWith(
        QStringLiteral("\"Pump 3 pressure \\\"high\\\" since 17:38.\\nPlease check.\"")))
        << qPrintable(texts(48)[0]);
    sms()->ShowTab(3);
    CZRMobileSMSGrid* history = sms()->History()->Grid();
    ASSERT_TRUE(more(341, 0));
    ASSERT_EQ(history->Count(), 1);
    EXPECT_EQ(history->Row(0).text, QStringLiteral("Pump 3 pressure \"high\" since 17:38.\nPlease check."));
}

TEST_F(SmsEndToEnd, SendsAsPduWithTheCodingTheTextNeeds)
{
    start(kNew);
    wnd->ShowPage(PAGE_SMS);
    sms()->ShowTab(1);
    CZRMobileSMSEditWnd* edit = sms()->Edit();
    ASSERT_TRUE(idle());

    // A recipient with a space never reaches the PDU: the operator is told why.
    edit->Number()->setText(QStringLiteral("+49 123"));
    edit->PutMessage(QStringLiteral("hi"));
    edit->Send();
    EXPECT_EQ(rec.count(44), 0);
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes.back().caption, QStringLiteral("SMS_Edit"));
    EXPECT_TRUE(boxes.boxes.back().text.startsWith(QStringLiteral("The message was not sent: ")));

    edit->Number()->setText(QStringLiteral("+4912345"));
    edit->PutMessage(QStringLiteral("Pump 3 restarted."));
    EXPECT_EQ(edit->Counter()->text(), QStringLiteral("Counter: 123"));
    edit->Send();
    ASSERT_EQ(rec.count(44), 1);
    ASSERT_TRUE(sawBox(QStringLiteral("SMS sent successfully.")));
    const QStringList plain = texts(44)[0].split(u' ');
    ASSERT_EQ(plain.size(), 2);
    EXPECT_EQ(plain[1].mid(0, 4), QStringLiteral("0011"));
    EXPECT_NE(plain[1].indexOf(QStringLiteral("04FF11")), -1) << qPrintable(plain[1]); // 8-bit, 17 octets

    // A wide character turns the message to UCS-2, which the modem takes as well.
    ASSERT_TRUE(idle());
    boxes.boxes.clear();
    edit->PutMessage(QStringLiteral("Temp\u00e9rature ok"));
    EXPECT_EQ(edit->Counter()->text(), QStringLiteral("Counter: 56"));
    edit->Send();
    ASSERT_EQ(rec.count(44), 2);
    ASSERT_TRUE(sawBox(QStringLiteral("SMS sent successfully.")));
    EXPECT_NE(texts(44)[1].indexOf(QStringLiteral("08FF1C")), -1) << qPrintable(texts(44)[1]);
    // The number with nothing to send: nothing happens, nothing is shown.
    ASSERT_TRUE(idle());
    const std::size_t shown = boxes.boxes.size();
    edit->Number()->clear();
    edit->Send();
    EXPECT_EQ(rec.count(44), 2);
    EXPECT_EQ(boxes.boxes.size(), shown);
}

TEST_F(SmsEndToEnd, SendsInTextModeWithTheRawLineBreak)
{
    start(kOld);
    wnd->ShowPage(PAGE_SMS);
    sms()->ShowTab(1);
    CZRMobileSMSEditWnd* edit = sms()->Edit();
    ASSERT_TRUE(idle());
    edit->Number()->setText(QStringLiteral("5555"));
    edit->Message()->setPlainText(QStringLiteral("line \"one\"\nline two"));
    edit->Send();
    ASSERT_EQ(rec.count(44), 1);
    EXPECT_EQ(texts(44)[0], QStringLiteral("\"5555\" \"line \\\"one\\\"\nline two\""));
    ASSERT_TRUE(sawBox(QStringLiteral("SMS sent successfully.")));
    // This agent cannot carry a wide character: typing one is refused with the reason.
    edit->Message()->moveCursor(QTextCursor::End);
    edit->Message()->insertPlainText(QStringLiteral("\u00e9"));
    EXPECT_EQ(edit->Message()->toPlainText(), QStringLiteral("line \"one\"\nline two"));
    EXPECT_TRUE(edit->Note()->text().contains(QStringLiteral("ASCII")));
}

TEST_F(SmsEndToEnd, AWideCharacterTypedIntoAHundredIsRefusedWithTheReason)
{
    start(kNew);
    wnd->ShowPage(PAGE_SMS);
    sms()->ShowTab(1);
    CZRMobileSMSEditWnd* edit = sms()->Edit();
    const QString hundred(100, u'a');
    edit->Message()->setPlainText(hundred);
    EXPECT_EQ(edit->Counter()->text(), QStringLiteral("Counter: 40"));
    edit->Message()->moveCursor(QTextCursor::End);
    edit->Message()->insertPlainText(QStringLiteral("\u00e9"));
    EXPECT_EQ(edit->Message()->toPlainText(), hundred);
    EXPECT_EQ(edit->Counter()->text(), QStringLiteral("Counter: 40"));
    EXPECT_TRUE(edit->Note()->text().contains(QStringLiteral("70"))) << qPrintable(edit->Note()->text());
    // Shorter texts take it, and the limit becomes 70.
    edit->Message()->setPlainText(QString(60, u'a'));
    edit->Message()->moveCursor(QTextCursor::End);
    edit->Message()->insertPlainText(QStringLiteral("\u00e9"));
    EXPECT_EQ(edit->Message()->toPlainText().size(), 61);
    EXPECT_EQ(edit->Counter()->text(), QStringLiteral("Counter: 9"));
    // Typing beyond the limit is refused too, never cut.
    QTest::keyClicks(edit->Message(), QString(12, u'b'));
    EXPECT_EQ(edit->Message()->toPlainText().size(), 70);
    EXPECT_EQ(edit->Counter()->text(), QStringLiteral("Counter: 0"));
}

TEST_F(SmsEndToEnd, TemplatesSaveListInsertCutAndDeleteFromTheTop)
{
    start(kNew);
    wnd->ShowPage(PAGE_SMS);
    sms()->ShowTab(2);
    CZRMobileSMSTmplWnd* tmpl = sms()->Templates();
    ASSERT_TRUE(more(347, 0));
    ASSERT_EQ(tmpl->Templates().size(), 3);

    // A 300-character template is kept on the agent and cut to one message when inserted.
    const QString long300 = QString(150, u'x') + QString(150, u'y');
    ASSERT_TRUE(tmpl->Save(0, long300));
    ASSERT_TRUE(more(347, 1));
    ASSERT_EQ(tmpl->Templates().size(), 4);
    EXPECT_EQ(tmpl->Templates().back(), long300);
    // One that its reply could not carry back is refused before it goes out.
    const int saves = rec.count(53);
    EXPECT_FALSE(tmpl->Save(0, QString(1100, u'z')));
    EXPECT_EQ(rec.count(53), saves);
    EXPECT_TRUE(boxes.boxes.back().text.contains(QStringLiteral("too long")));

    sms()->ShowTab(1);
    CZRMobileSMSEditWnd* edit = sms()->Edit();
    ModalAnswer pick(QStringLiteral("TmplListDlg"), [&](QDialog* d) {
        auto* tree = named<QTreeWidget>(d, QStringLiteral("TemplateListGrid"));
        waitUntil([&] { return tree->topLevelItemCount() == 4; }, 3000);
        QTreeWidgetItem* item = tree->topLevelItem(3);
        if (item) emit tree->itemDoubleClicked(item, 0);
    });
    edit->ReadFromTemplate();
    EXPECT_TRUE(pick.answered());
    EXPECT_EQ(edit->Message()->toPlainText(), long300.left(140));
    EXPECT_EQ(edit->Counter()->text(), QStringLiteral("Counter: 0"));
    EXPECT_TRUE(edit->Note()->text().contains(QStringLiteral("140 of its 300")));

    // A template with an é at position 80 keeps its first 80 characters.
    edit->PutMessage(QString(80, u'a') + QStringLiteral("\u00e9") + QString(19, u'b'));
    EXPECT_EQ(edit->Message()->toPlainText(), QString(80, u'a'));

    // Deleting the first and the third: the third goes first, then the list is read again.
    int lists = seen(347);
    sms()->ShowTab(2);
    ASSERT_TRUE(more(347, lists));
    ASSERT_EQ(tmpl->Templates().size(), 4);
    tmpl->Tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    tmpl->Tree()->topLevelItem(2)->setCheckState(0, Qt::Checked);
    const std::size_t before = texts(53).size();
    tmpl->DeleteChecked();
    const std::vector<QString> sent = texts(53);
    ASSERT_EQ(sent.size(), before + 2);
    EXPECT_EQ(sent[before], QStringLiteral("3 \"\""));
    EXPECT_EQ(sent[before + 1], QStringLiteral("1 \"\""));
    ASSERT_TRUE(more(347, lists + 1));
    ASSERT_EQ(tmpl->Templates().size(), 2);
    EXPECT_EQ(tmpl->Templates()[0], QStringLiteral("Arrived on site."));
    EXPECT_EQ(tmpl->Templates()[1], long300);
}

TEST_F(SmsEndToEnd, AtConsoleContinuesWithCtrlZAndCancelsWithEscape)
{
    start(kNew);
    wnd->ShowPage(PAGE_ATCOMMAND);
    auto* atc = wnd->findChild<CZRMobileATCWnd*>();
    ASSERT_TRUE(atc);
    // An empty command is refused with the prompt to type one.
    atc->Send();
    EXPECT_EQ(boxes.boxes.back().text, QStringLiteral("Please input the AT command."));
    EXPECT_EQ(rec.count(61), 0);

    atc->Command()->setText(QStringLiteral("ATI"));
    atc->Send();
    ASSERT_TRUE(waitUntil([&] { return atc->Replies().contains(QStringLiteral("OK")); }));
    ASSERT_TRUE(idle());

    // The modem prompts with "> ": the dialog takes the text and Ctrl-Z sends it.
    QString prompt;
    ModalAnswer typed(QStringLiteral("AtContinueDlg"), [&](QDialog* d) {
        prompt = named<QLabel>(d, QStringLiteral("AtContinuePrompt"))->text();
        auto* text = d->findChild<QPlainTextEdit*>();
        QTest::keyClicks(text, QStringLiteral("Pump 3 ok"));
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    });
    atc->Command()->setText(QStringLiteral("AT+CMGS=\"+4912345\""));
    atc->Send();
    ASSERT_TRUE(waitUntil([&] { return atc->Replies().contains(QStringLiteral("+CMGS:")); }));
    EXPECT_TRUE(typed.answered());
    EXPECT_TRUE(prompt.contains(QStringLiteral("AT+CMGS=\"+4912345\"")));
    ASSERT_EQ(rec.count(61), 3);
    EXPECT_EQ(texts(61)[2], QStringLiteral("\"Pump 3 ok\x1a\""));
    ASSERT_TRUE(idle());

    // Esc cancels: only the Escape character goes out.
    ModalAnswer cancelled(QStringLiteral("AtContinueDlg"), [&](QDialog* d) {
        QTest::keyClick(d->findChild<QPlainTextEdit*>(), Qt::Key_Escape);
    });
    atc->Command()->setText(QStringLiteral("AT+CMGS=\"5555\""));
    atc->Send();
    ASSERT_TRUE(waitUntil([&] { return rec.count(61) == 5 && wnd->IsReady(); }));
    EXPECT_TRUE(cancelled.answered());
    EXPECT_EQ(texts(61)[4], QString(QChar(27)));
    ASSERT_TRUE(waitUntil([&] { return atc->Replies().endsWith(QStringLiteral("OK\r\n")); }));

    // A second command while the first is out waits for its reply.
    atc->Command()->setText(QStringLiteral("AT+CSQ"));
    atc->Send();
    atc->Command()->setText(QStringLiteral("AT+COPS?"));
    atc->Send();
    EXPECT_EQ(wnd->ParkedRequest(), 61);
    ASSERT_TRUE(waitUntil([&] { return atc->Replies().contains(QStringLiteral("+COPS:")); }));
    EXPECT_EQ(texts(61).back(), QStringLiteral("AT+COPS?"));
}
