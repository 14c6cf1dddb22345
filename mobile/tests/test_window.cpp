// The mobile window's gate and routing, and the SIM page, driven through the window's own members.
#include "cfgwnd.h"
#include "mobiletest.h"
#include "simwnd.h"
#include "zrmobilewnd.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

const QString kKey = QStringLiteral("gw|10.0.0.1");

struct WindowTest : ::testing::Test
{
    WindowTest()
    {
        parent.resize(800, 500);
        wnd = new CZRMobileWnd(&parent);
        wnd->setGeometry(parent.rect());
        wnd->SetSendMessageCB(&SendRecorder::Callback, nullptr, &rec);
        wnd->SetNick(kKey);
        parent.show();
    }
    void reply(int code, const QString& text = QString(), const QString& key = kKey)
    {
        wnd->ReceiveMessage(quint16(code), key, text);
    }
    // The window showing an agent of that model whose SIM answered with status.
    void showAgent(const QString& model, const QString& status)
    {
        wnd->SetModel(model);
        wnd->Init();
        reply(302, status);
    }
    QStringList navigation() const
    {
        QStringList out;
        auto* items = wnd->findChild<QListWidget*>(QStringLiteral("NavigationItems"));
        for (int i = 0; i < items->count(); ++i)
            out << items->item(i)->text();
        return out;
    }
    template <typename T> T* child(const QString& prefix) const
    {
        for (T* c : wnd->SimPage()->findChildren<T*>())
            if (c->objectName().startsWith(prefix)) return c;
        return nullptr;
    }
    QLineEdit* code() const { return child<QLineEdit>(QStringLiteral("CodeEdit")); }
    QLineEdit* newPin() const { return child<QLineEdit>(QStringLiteral("NewPinEdit")); }
    QLineEdit* confirmPin() const { return child<QLineEdit>(QStringLiteral("ConfirmPinEdit")); }
    QPushButton* ok() const { return child<QPushButton>(QStringLiteral("OkButton")); }
    QString note() const { return child<QLabel>(QStringLiteral("NoteLine"))->text(); }
    QString status() const { return child<QLabel>(QStringLiteral("StatusLine"))->text(); }
    void enter(const QString& c, const QString& fresh = QString(), const QString& confirm = QString())
    {
        code()->setText(c);
        newPin()->setText(fresh);
        confirmPin()->setText(confirm);
        QTest::mouseClick(ok(), Qt::LeftButton);
    }

    MessageRecorder boxes;
    SendRecorder rec;
    QWidget parent;
    CZRMobileWnd* wnd;
};

} // namespace

TEST_F(WindowTest, NothingSentLeavesTheGateOpen)
{
    rec.result = 0; // the agent is off line or being upgraded: the console sends nothing
    wnd->Init();
    ASSERT_EQ(rec.count(32), 1);
    EXPECT_TRUE(wnd->IsReady());
    EXPECT_FALSE(wnd->SendGated(41, nullptr));
    EXPECT_TRUE(wnd->IsReady());
    EXPECT_EQ(wnd->ParkedRequest(), 0);
    // No callback at all: dropped, gate open.
    wnd->SetSendMessageCB(nullptr, nullptr, nullptr);
    EXPECT_FALSE(wnd->SendGated(41, nullptr));
    EXPECT_TRUE(wnd->IsReady());
    EXPECT_EQ(rec.sent.size(), 2u);
}

TEST_F(WindowTest, TwoGatedRequestsWhileClosedOnlyTheLatestGoesOnceWithItsText)
{
    showAgent(QStringLiteral("K520"), QStringLiteral("0"));
    ASSERT_TRUE(wnd->SendGated(41, nullptr));
    EXPECT_FALSE(wnd->IsReady());
    EXPECT_FALSE(ok()->isEnabled());
    QString first = QStringLiteral("ME 0"), second = QStringLiteral("SM 0");
    EXPECT_FALSE(wnd->SendGated(47, &first));
    EXPECT_FALSE(wnd->SendGated(57, &second));
    second = QStringLiteral("changed after parking");
    EXPECT_EQ(rec.sent.size(), 2u);
    reply(320, QStringLiteral("3 \"Op\" \"apn\""));
    ASSERT_EQ(rec.sent.size(), 3u);
    EXPECT_EQ(rec.sent.back().number, 57);
    EXPECT_EQ(rec.sent.back().text, QStringLiteral("SM 0"));
    EXPECT_EQ(rec.sent.back().key, kKey);
    EXPECT_FALSE(wnd->IsReady()); // the parked request closed it again
    reply(360, QStringLiteral("SM"));
    EXPECT_EQ(rec.sent.size(), 3u);
    EXPECT_TRUE(wnd->IsReady());
    EXPECT_EQ(rec.count(47), 0);
}

TEST_F(WindowTest, FailureOfAnUngatedRequestLeavesTheGateClosed)
{
    showAgent(QStringLiteral("K520"), QStringLiteral("0"));
    ASSERT_TRUE(wnd->SendGated(41, nullptr)); // 319 waits
    wnd->SendNow(37, nullptr);                // 311 at once
    EXPECT_FALSE(wnd->SendGated(46, nullptr));
    reply(999, QStringLiteral("311 \"The SIM card is not ready.\""));
    EXPECT_FALSE(wnd->IsReady());
    EXPECT_EQ(rec.count(46), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Error - 10.0.0.1"));
    reply(999, QStringLiteral("319 \"No network.\""));
    EXPECT_EQ(rec.count(46), 1);
}

TEST_F(WindowTest, RepliesThatKeepTheGateAndTheAtCommandsEnd)
{
    showAgent(QStringLiteral("K520"), QStringLiteral("0"));
    rec.sent.clear();
    for (int code : {326, 376, 372, 312, 322}) {
        ASSERT_TRUE(wnd->SendGated(61, nullptr)) << code;
        QString text = QStringLiteral("AT");
        wnd->SendGated(61, &text);
        reply(code, QStringLiteral("1"));
        EXPECT_FALSE(wnd->IsReady()) << code;
        EXPECT_EQ(rec.sent.size(), 1u) << code;
        // The AT command's end lets the parked request go, once.
        reply(373);
        EXPECT_EQ(rec.sent.back().text, QStringLiteral("AT")) << code;
        const std::size_t after = rec.sent.size();
        reply(373);
        reply(304);
        EXPECT_EQ(rec.sent.size(), after) << code;
        EXPECT_TRUE(wnd->IsReady());
        rec.sent.clear();
    }
}

TEST_F(WindowTest, RepliesForAnotherAgentAreIgnored)
{
    showAgent(QStringLiteral("K520"), QStringLiteral("1 3"));
    ASSERT_EQ(wnd->SimPage()->SimState(), 1);
    ASSERT_TRUE(wnd->SendGated(41, nullptr));
    for (const QString& key : {QStringLiteral("GW|10.0.0.1"), QStringLiteral("gw|10.0.0.2"), QString()})
        reply(304, QString(), key);
    EXPECT_FALSE(wnd->IsReady());
    EXPECT_EQ(wnd->SimPage()->SimState(), 1);
}

TEST_F(WindowTest, ShowingAnotherPageOrResetDropsTheParkedRequest)
{
    showAgent(QStringLiteral("K520"), QStringLiteral("0"));
    ASSERT_TRUE(wnd->SendGated(41, nullptr));
    wnd->SendGated(46, nullptr);
    wnd->ShowPage(4);
    EXPECT_EQ(wnd->ParkedRequest(), 0);
    wnd->SendGated(46, nullptr);
    wnd->Reset();
    EXPECT_EQ(wnd->ParkedRequest(), 0);
    wnd->SetNick(kKey);
    reply(320, QStringLiteral("3 \"Op\" \"apn\""));
    EXPECT_EQ(rec.count(46), 0);
}

TEST_F(WindowTest, ModelDecidesTheNavigationOnceTheSimIsReady)
{
    showAgent(QStringLiteral("K520-LX"), QStringLiteral("1 3"));
    EXPECT_EQ(navigation(), (QStringList{QStringLiteral("AT Command"), QStringLiteral("SIM Status")}));
    reply(304);
    EXPECT_EQ(navigation(), (QStringList{QStringLiteral("GPRS"), QStringLiteral("SMS"),
                                         QStringLiteral("Phone Book"), QStringLiteral("Configuration"),
                                         QStringLiteral("AT Command"), QStringLiteral("SIM Status")}));
    EXPECT_FALSE(wnd->FamilyModel());
    showAgent(QStringLiteral("K7230"), QStringLiteral("0"));
    EXPECT_TRUE(wnd->FamilyModel());
    EXPECT_TRUE(wnd->RestrictedModel());
    EXPECT_EQ(navigation(), (QStringList{QStringLiteral("GPRS"), QStringLiteral("AT Command"),
                                         QStringLiteral("SIM Status")}));
    wnd->SetVersion(QStringLiteral("2.1.0 Build 1180"));
    EXPECT_FALSE(wnd->NewAgentVersion());
    wnd->SetVersion(QStringLiteral("2.1.1 Build 1180"));
    EXPECT_TRUE(wnd->NewAgentVersion());
    wnd->SetVersion(QStringLiteral("3"));
    EXPECT_TRUE(wnd->NewAgentVersion());
}

TEST_F(WindowTest, StatusTextsThatAreNoStateShowNothingAndKeepTheNavigationLimited)
{
    for (const QString& s :
         {QStringLiteral("ready"), QStringLiteral("5"), QString(), QStringLiteral("-1x")}) {
        showAgent(QStringLiteral("K520"), s);
        EXPECT_EQ(status(), QString()) << qPrintable(s);
        EXPECT_FALSE(code()->isVisible()) << qPrintable(s);
        EXPECT_EQ(navigation().size(), 2) << qPrintable(s);
    }
    showAgent(QStringLiteral("K520"), QStringLiteral("2 10"));
    EXPECT_EQ(status(), QStringLiteral("The SIM card is locked by PUK code."));
    EXPECT_TRUE(newPin()->isVisible());
}

TEST_F(WindowTest, CodesThatCannotBeACodeAreRefusedBeforeSending)
{
    showAgent(QStringLiteral("K520"), QStringLiteral("1 3"));
    for (const QString& c :
         {QString(), QStringLiteral("12a4"), QStringLiteral(" 1234"), QStringLiteral("12-4")})
        enter(c);
    EXPECT_EQ(rec.count(33), 0);
    ASSERT_EQ(boxes.boxes.size(), 4u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Please input the PIN code."));
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Error"));
    enter(QStringLiteral("1234"));
    ASSERT_EQ(rec.count(33), 1);
    EXPECT_EQ(rec.sent.back().text, QStringLiteral("1234"));
    EXPECT_EQ(code()->text(), QString());
}

TEST_F(WindowTest, PukAsksForTheNewPinTwice)
{
    showAgent(QStringLiteral("K520"), QStringLiteral("2 10"));
    enter(QStringLiteral(""), QStringLiteral("4321"), QStringLiteral("4321"));
    enter(QStringLiteral("12345678"), QString(), QString());
    enter(QStringLiteral("12345678"), QStringLiteral("4321"), QStringLiteral("4322"));
    EXPECT_EQ(rec.count(33), 0);
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Please input the PUK code."));
    EXPECT_EQ(boxes.boxes[2].text, QStringLiteral("The new PIN codes do not match, please try again."));
    enter(QStringLiteral("12345678"), QStringLiteral("4321"), QStringLiteral("4321"));
    ASSERT_EQ(rec.count(33), 1);
    EXPECT_EQ(rec.sent.back().text, QStringLiteral("12345678 4321"));
    EXPECT_EQ(code()->text(), QString());
    EXPECT_EQ(newPin()->text(), QString());
    EXPECT_EQ(confirmPin()->text(), QString());
    // Reset clears what was typed but not sent.
    code()->setText(QStringLiteral("999"));
    newPin()->setText(QStringLiteral("1"));
    wnd->Reset();
    EXPECT_EQ(code()->text(), QString());
    EXPECT_EQ(newPin()->text(), QString());
}

TEST_F(WindowTest, TriesAsTheModemReportsThem)
{
    showAgent(QStringLiteral("K520"), QStringLiteral("1"));
    EXPECT_EQ(note(),
              QStringLiteral("Note: Please make sure the PIN code is correct otherwise the SIM card may be "
                             "locked by the PUK code."));
    enter(QStringLiteral("1111"));
    reply(999, QStringLiteral("303 \"Incorrect PIN code.\" 2"));
    EXPECT_EQ(note(),
              QStringLiteral("Note: You still have 2 times to try, please make sure the PIN code is correct "
                             "or the SIM card will be locked by the PUK code."));
    enter(QStringLiteral("2222"));
    reply(999, QStringLiteral("303 \"Incorrect PIN code.\" 1"));
    EXPECT_EQ(note(),
              QStringLiteral("Note: You still have last chance to try, please make sure the PIN code is "
                             "correct or the SIM card will be locked by the PUK code."));
    EXPECT_EQ(wnd->SimPage()->SimState(), 1);
    // A failure without a count: unknown, still the PIN.
    enter(QStringLiteral("3333"));
    reply(999, QStringLiteral("303 \"Incorrect PIN code.\""));
    EXPECT_EQ(wnd->SimPage()->TriesLeft(), -1);
    EXPECT_EQ(wnd->SimPage()->SimState(), 1);
    EXPECT_FALSE(note().contains(QStringLiteral("0 times")));
    // None left: the PUK, and the card is asked again for its count. The failed PIN is never resent.
    rec.sent.clear();
    enter(QStringLiteral("4444"));
    reply(999, QStringLiteral("303 \"Incorrect PIN code. The SIM card is locked by PUK code.\" 0"));
    EXPECT_EQ(wnd->SimPage()->SimState(), 2);
    EXPECT_EQ(rec.count(33), 1);
    EXPECT_EQ(rec.count(32), 1);
    reply(302, QStringLiteral("2 10"));
    EXPECT_TRUE(note().endsWith(QStringLiteral("Tries left: 10.")));
    EXPECT_EQ(rec.count(33), 1);
}

TEST_F(WindowTest, ErrorBoxesShowTheAgentsTextAsItIs)
{
    showAgent(QStringLiteral("K520"), QStringLiteral("0"));
    reply(999, QStringLiteral("325 \"marked\""));
    reply(999, QStringLiteral("329 \"\""));
    EXPECT_TRUE(boxes.boxes.empty());
    reply(999, QStringLiteral("331 \"100%s %n %d \\\"quoted\\\"\""));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("100%s %n %d \"quoted\""));
    EXPECT_EQ(boxes.boxes[0].icon, unsigned(MB_ICONERROR));
    EXPECT_FALSE(wnd->HasMessageBox());
    // The state of the box is known while it is up.
    bool open = false;
    SetMessageHandler([&](const MessageRecord&) {
        open = wnd->HasMessageBox();
        return IDOK;
    });
    reply(999, QStringLiteral("301 \"The SIM card is not inserted.\""));
    EXPECT_TRUE(open);
    EXPECT_EQ(wnd->SimPage()->SimState(), -1);
}

namespace {

struct CfgTest : WindowTest
{
    template <typename T> T* ctl(int id) const
    {
        return wnd->CfgPage()->findChild<T*>(QStringLiteral("Ctl%1").arg(id));
    }
    // The page shown for a ready SIM, its chain answered: PIN lock, SMS storage, phone-book storage.
    void showPage(const QString& lock, const QString& sms, const QString& pb)
    {
        showAgent(QStringLiteral("K520"), QStringLiteral("0"));
        rec.sent.clear();
        wnd->ShowPage(3);
        reply(308, lock);
        reply(332, sms);
        reply(358, pb);
    }
    void setSms(bool sim, bool device)
    {
        ctl<QCheckBox>(12612)->setChecked(sim);
        ctl<QCheckBox>(12613)->setChecked(device);
        QTest::mouseClick(ctl<QPushButton>(12616), Qt::LeftButton);
    }
    // Answers the next modal dialog: its first line edits get the texts, then OK.
    void answerDialog(const QStringList& texts)
    {
        QTimer::singleShot(0, [texts] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dlg) return;
            const QList<QLineEdit*> edits = dlg->findChildren<QLineEdit*>();
            for (int i = 0; i < texts.size() && i < edits.size(); ++i)
                edits[i]->setText(texts[i]);
            dlg->accept();
        });
    }
};

} // namespace

TEST_F(CfgTest, ReadingChainRunsOnceAndShowsTheStorages)
{
    showPage(QStringLiteral("1"), QStringLiteral("MT 3"), QStringLiteral("ME"));
    ASSERT_EQ(rec.sent.size(), 3u);
    EXPECT_EQ(rec.sent[0].number, 35);
    EXPECT_EQ(rec.sent[1].number, 46);
    EXPECT_EQ(rec.sent[2].number, 56);
    EXPECT_TRUE(wnd->CfgPage()->PinLocked());
    EXPECT_TRUE(ctl<QCheckBox>(12612)->isChecked());
    EXPECT_TRUE(ctl<QCheckBox>(12613)->isChecked());
    EXPECT_TRUE(ctl<QRadioButton>(12620)->isChecked());
    // Both storages known: the next lock state starts nothing.
    reply(308, QStringLiteral("0"));
    EXPECT_EQ(rec.sent.size(), 3u);
    EXPECT_FALSE(wnd->CfgPage()->PinLocked());
    // Both boxes again: nothing to send; none: the message, nothing sent.
    setSms(true, true);
    setSms(false, false);
    EXPECT_EQ(rec.sent.size(), 3u);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Choose at least one option and try again."));
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Configuration"));
    // The combined storage's number goes back unchanged.
    setSms(false, true);
    ASSERT_EQ(rec.sent.size(), 4u);
    EXPECT_EQ(rec.sent.back().text, QStringLiteral("ME 3"));
}

TEST_F(CfgTest, FailedStorageChangeRestoresThePreviousChoice)
{
    showPage(QStringLiteral("0"), QStringLiteral("SM"), QStringLiteral("SM"));
    rec.sent.clear();
    setSms(false, true);
    ASSERT_EQ(rec.sent.size(), 1u);
    EXPECT_EQ(rec.sent[0].text, QStringLiteral("ME 0"));
    reply(999, QStringLiteral("333 \"The storage is not supported.\""));
    EXPECT_TRUE(ctl<QCheckBox>(12612)->isChecked());
    EXPECT_FALSE(ctl<QCheckBox>(12613)->isChecked());
    EXPECT_EQ(wnd->CfgPage()->SmsStorage(), 0);
    // The same change asked again goes out again; the old choice sends nothing.
    setSms(true, false);
    EXPECT_EQ(rec.sent.size(), 1u);
    setSms(false, true);
    ASSERT_EQ(rec.sent.size(), 2u);
    reply(334, QStringLiteral("ME"));
    EXPECT_EQ(wnd->CfgPage()->SmsStorage(), 1);
    // The phone book's radio goes back too, and a confirmed change sticks.
    ctl<QRadioButton>(12620)->setChecked(true);
    QTest::mouseClick(ctl<QPushButton>(12623), Qt::LeftButton);
    ASSERT_EQ(rec.sent.back().text, QStringLiteral("ME"));
    reply(999, QStringLiteral("359 \"No.\""));
    EXPECT_TRUE(ctl<QRadioButton>(12619)->isChecked());
    EXPECT_EQ(wnd->CfgPage()->PbStorage(), 0);
    ctl<QRadioButton>(12620)->setChecked(true);
    QTest::mouseClick(ctl<QPushButton>(12623), Qt::LeftButton);
    reply(360, QStringLiteral("ME"));
    EXPECT_EQ(wnd->CfgPage()->PbStorage(), 1);
    EXPECT_TRUE(ctl<QRadioButton>(12620)->isChecked());
}

TEST_F(CfgTest, PinLockAndChangeAskForCodesThatCanBeCodes)
{
    showPage(QStringLiteral("1"), QStringLiteral("SM"), QStringLiteral("SM"));
    rec.sent.clear();
    answerDialog({QStringLiteral("12x4")});
    QTest::mouseClick(ctl<QPushButton>(12604), Qt::LeftButton);
    EXPECT_TRUE(rec.sent.empty());
    answerDialog({QStringLiteral("1234")});
    QTest::mouseClick(ctl<QPushButton>(12604), Qt::LeftButton);
    ASSERT_EQ(rec.sent.size(), 1u);
    EXPECT_EQ(rec.sent[0].number, 36);
    EXPECT_EQ(rec.sent[0].text, QStringLiteral("0 1234"));
    reply(310, QStringLiteral("0"));
    EXPECT_FALSE(wnd->CfgPage()->PinLocked());
    answerDialog({QStringLiteral("1234"), QStringLiteral("4321"), QStringLiteral("4321")});
    QTest::mouseClick(ctl<QPushButton>(12605), Qt::LeftButton);
    ASSERT_EQ(rec.sent.size(), 2u);
    EXPECT_EQ(rec.sent[1].number, 34);
    EXPECT_EQ(rec.sent[1].text, QStringLiteral("1234 4321"));
}

TEST_F(CfgTest, ChangePinDialogKeepsMismatchedNewCodesOpen)
{
    CZRMobileChgPINDlg dlg(&parent);
    const QList<QLineEdit*> edits = dlg.findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 3);
    edits[0]->setText(QStringLiteral("1234"));
    edits[1]->setText(QStringLiteral("1111"));
    edits[2]->setText(QStringLiteral("2222"));
    dlg.accept();
    EXPECT_EQ(dlg.result(), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("The new PIN codes do not match, please try again."));
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Change PIN code"));
    edits[2]->setText(QStringLiteral("1111"));
    dlg.accept();
    EXPECT_EQ(dlg.result(), int(QDialog::Accepted));
}

TEST_F(CfgTest, RestrictedModelShowsOnlyThePinLock)
{
    showAgent(QStringLiteral("K7230"), QStringLiteral("0"));
    wnd->ShowPage(3);
    EXPECT_FALSE(ctl<QWidget>(12610)->isVisible());
    EXPECT_FALSE(ctl<QPushButton>(12623)->isVisibleTo(wnd->CfgPage()));
    EXPECT_TRUE(ctl<QPushButton>(12604)->isVisible());
    showAgent(QStringLiteral("K520"), QStringLiteral("0"));
    wnd->ShowPage(3);
    EXPECT_TRUE(ctl<QWidget>(12610)->isVisible());
}
