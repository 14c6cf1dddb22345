// The Gateway Manager's list rules: saving, default names, renaming, deleting, connecting, and the
// edits' refusals, with every message box answered through the hook.
#include "dynedit.h"
#include "infownd.h"
#include "ipaddressctrl.h"
#include "messagebox.h"
#include "zrgatewaydlg.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

using namespace Qt::StringLiterals;

namespace {

class GatewayDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetMessageHandler([this](const MessageRecord& r) {
            boxes.push_back(r);
            return answer;
        });
        dlg = std::make_unique<CZRGatewayDlg>(nullptr, true);
        dlg->SetDefaultPort(u"54321"_s);
    }
    void TearDown() override
    {
        dlg.reset();
        SetMessageHandler({});
    }
    void open()
    {
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    QStringList lines() const
    {
        QStringList out;
        for (int i = 0; i < dlg->listBox()->count(); ++i)
            out << dlg->listBox()->item(i)->text();
        return out;
    }
    QStringList names() const
    {
        QStringList out;
        for (const GatewayInfo& g : dlg->GetList())
            out << g.name;
        return out;
    }
    void pick(int row) { dlg->listBox()->setCurrentRow(row); }

    std::unique_ptr<CZRGatewayDlg> dlg;
    std::vector<MessageRecord> boxes;
    int answer = IDOK;
};

TEST_F(GatewayDlgTest, OpensInNewModeWithTheDefaultPortAndTheListFilled)
{
    ASSERT_TRUE(dlg->AddListItem(u"Plant"_s, u"10.0.0.1"_s, u"54321"_s));
    ASSERT_TRUE(dlg->AddListItem(u"Depot"_s, u"10.0.0.2"_s, u"6000"_s));
    open();
    EXPECT_EQ(dlg->windowTitle(), u"Gateway Manager"_s);
    EXPECT_EQ(lines(), QStringList({u"Plant"_s, u"Depot"_s}));
    EXPECT_TRUE(dlg->IsNewMode());
    EXPECT_EQ(dlg->GetPort(), u"54321"_s);
    EXPECT_EQ(dlg->GetName(), u""_s);
    EXPECT_TRUE(dlg->button(CZRGatewayDlg::IDC_CONNECT)->isEnabled());
    EXPECT_EQ(dlg->portEdit()->GetMinNum(), 1);
    EXPECT_EQ(dlg->portEdit()->GetMaxNum(), 65535);
    EXPECT_EQ(dlg->nameEdit()->GetTextType(), CDynEdit::TypeName);

    CZRGatewayDlg noConnect(nullptr, false);
    noConnect.OnInitDialog();
    EXPECT_FALSE(noConnect.button(CZRGatewayDlg::IDC_CONNECT)->isEnabled());
}

TEST_F(GatewayDlgTest, EmptyNamesBecomeGatewayThenNumberedFormsAndDuplicatesAreRefused)
{
    open();
    dlg->SetIPAddr(u"10.0.0.9"_s);
    dlg->OnSave();
    dlg->OnSave(); // still in new-entry mode: the name field is empty again
    EXPECT_EQ(names(), QStringList({u"Gateway"_s, u"Gateway-2"_s}));
    EXPECT_TRUE(boxes.empty());

    // The list-box test is not case-sensitive: u"gateway-3"_s blocks the next default too.
    ASSERT_TRUE(dlg->AddListItem(u"gateway-3"_s, u"1.1.1.1"_s, u"1"_s));
    dlg->UpdateList();
    dlg->SetName(u""_s);
    dlg->OnSave();
    EXPECT_EQ(names().last(), u"Gateway-4"_s);

    // A new entry whose name exists adds nothing and says so.
    dlg->SetItem(u"Gateway"_s, u"10.0.0.10"_s, u"70"_s);
    const int before = dlg->GetCount();
    dlg->OnSave();
    EXPECT_EQ(dlg->GetCount(), before);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Gateway name repeated."_s);
    EXPECT_EQ(boxes[0].caption, u"Gateway Manager"_s);
    EXPECT_EQ(boxes[0].icon, unsigned(MB_ICONERROR));
    // Case matters for the list itself.
    EXPECT_TRUE(dlg->AddListItem(u"GATEWAY"_s, u""_s, u""_s));
    EXPECT_FALSE(dlg->AddListItem(u"GATEWAY"_s, u""_s, u""_s));
}

TEST_F(GatewayDlgTest, SavedNewEntryIsSelectedButTheDialogStaysInNewMode)
{
    open();
    dlg->SetItem(u"North"_s, u"192.168.1.20"_s, u"7000"_s);
    dlg->OnSave();
    EXPECT_EQ(lines(), QStringList({u"North"_s}));
    EXPECT_EQ(dlg->listBox()->currentRow(), 0);
    EXPECT_EQ(dlg->GetSelIndex(), 0);
    EXPECT_TRUE(dlg->IsNewMode());
    QString n, a, p;
    ASSERT_TRUE(dlg->GetListItem(0, n, a, p));
    EXPECT_EQ(a, u"192.168.1.20"_s);
    EXPECT_EQ(p, u"7000"_s);
    EXPECT_FALSE(dlg->GetListItem(1, n, a, p));
    EXPECT_FALSE(dlg->GetListItem(-1, n, a, p));
}

TEST_F(GatewayDlgTest, SelectingEditsAndRenamingOntoAnotherNameChangesNothingSilently)
{
    dlg->AddListItem(u"A"_s, u"10.0.0.1"_s, u"1000"_s);
    dlg->AddListItem(u"B"_s, u"10.0.0.2"_s, u"2000"_s);
    open();
    pick(1);
    EXPECT_FALSE(dlg->IsNewMode());
    EXPECT_EQ(dlg->GetName(), u"B"_s);
    EXPECT_EQ(dlg->GetIPAddr(), u"10.0.0.2"_s);
    EXPECT_EQ(dlg->GetPort(), u"2000"_s);

    dlg->SetItem(u"A"_s, u"10.0.0.99"_s, u"9"_s);
    dlg->OnSave();
    EXPECT_TRUE(boxes.empty());
    QString n, a, p;
    dlg->GetListItem(1, n, a, p);
    EXPECT_EQ(n, u"B"_s);
    EXPECT_EQ(a, u"10.0.0.2"_s);
    EXPECT_EQ(dlg->GetName(), u"B"_s); // the fields show the entry as it stays

    dlg->SetItem(u"Bee"_s, u"10.0.0.3"_s, u"3000"_s);
    dlg->OnSave();
    EXPECT_EQ(lines(), QStringList({u"A"_s, u"Bee"_s}));
    EXPECT_EQ(dlg->listBox()->currentRow(), 1);
    dlg->GetListItem(1, n, a, p);
    EXPECT_EQ(a, u"10.0.0.3"_s);
    EXPECT_EQ(p, u"3000"_s);
}

TEST_F(GatewayDlgTest, DeleteAsksAndOnlyActsOnTheEditedEntry)
{
    dlg->AddListItem(u"A"_s, u"10.0.0.1"_s, u"1000"_s);
    dlg->AddListItem(u"B"_s, u"10.0.0.2"_s, u"2000"_s);
    open();
    dlg->OnDelete(); // nothing selected
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(dlg->GetCount(), 2);

    pick(0);
    answer = IDCANCEL;
    dlg->OnDelete();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Are you sure you want to delete?"_s);
    EXPECT_EQ(boxes[0].buttons, unsigned(MB_OKCANCEL));
    EXPECT_EQ(dlg->GetCount(), 2);

    answer = IDOK;
    dlg->OnDelete();
    EXPECT_EQ(names(), QStringList({u"B"_s}));
    EXPECT_EQ(lines(), QStringList({u"B"_s}));
    EXPECT_TRUE(dlg->IsNewMode());
    EXPECT_EQ(dlg->GetSelIndex(), -1);
    EXPECT_EQ(dlg->GetPort(), u"54321"_s);
    // After a delete the next Save adds, it does not overwrite B.
    dlg->SetItem(u"C"_s, u"10.0.0.3"_s, u"3"_s);
    dlg->OnSave();
    EXPECT_EQ(names(), QStringList({u"B"_s, u"C"_s}));
}

TEST_F(GatewayDlgTest, ConnectEndsWithNinetyNineOnlyForASelectedLine)
{
    dlg->AddListItem(u"A"_s, u"10.0.0.1"_s, u"1000"_s);
    open();
    dlg->OnConnect();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->GetSelItem(), u""_s);

    pick(0);
    QTest::mouseClick(dlg->button(CZRGatewayDlg::IDC_CONNECT), Qt::LeftButton);
    EXPECT_EQ(dlg->result(), CZRGatewayDlg::IDCONNECT);
    EXPECT_EQ(dlg->GetSelItem(), u"A"_s);

    CZRGatewayDlg other;
    other.show();
    QTimer::singleShot(0, other.button(2), [&] { other.button(2)->click(); });
    EXPECT_EQ(other.exec(), 2);
}

TEST_F(GatewayDlgTest, EditsRefuseBadNamesAndPortsTypedOrPasted)
{
    open();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    dlg->nameEdit()->setFocus();
    QTest::keyClicks(dlg->nameEdit(), u"North|"_s);
    EXPECT_EQ(dlg->GetName(), u"North"_s);
    EXPECT_TRUE(dlg->nameEdit()->GetInfoWnd()->isVisible());
    EXPECT_EQ(dlg->nameEdit()->GetInfoWnd()->GetText(), u"Invalid characters: \\ / : * ? \" < > |"_s);
    dlg->nameEdit()->end(false);
    QApplication::clipboard()->setText(u"a:b"_s);
    dlg->nameEdit()->Paste();
    EXPECT_EQ(dlg->GetName(), u"North"_s);

    dlg->portEdit()->clear();
    dlg->portEdit()->setFocus();
    QTest::keyClicks(dlg->portEdit(), u"65536"_s);
    EXPECT_EQ(dlg->GetPort(), u"6553"_s);
    EXPECT_EQ(dlg->portEdit()->GetInfoWnd()->GetText(), u"Range: 1 ~ 65535"_s);
    dlg->portEdit()->clear();
    QTest::keyClicks(dlg->portEdit(), u"0"_s);
    EXPECT_EQ(dlg->GetPort(), u""_s);
    QApplication::clipboard()->setText(u"70000"_s);
    dlg->portEdit()->Paste();
    EXPECT_EQ(dlg->GetPort(), u""_s);
    QApplication::clipboard()->clear();
}

// The address field: typing moves between boxes, values above 255 are refused, and an address
// that cannot be shown is given back untouched.
TEST(IPAddressCtrl, TypingPastingAndUnshownAddresses)
{
    CIPAddressCtrl ip;
    ip.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ip));
    ip.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ip));
    ip.field(0)->setFocus();
    // Keys go where the focus is, as they do from a keyboard.
    const auto typeKeys = [](const QString& keys) {
        for (QChar c : keys)
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
    };
    typeKeys(u"192168.1.300"_s);
    EXPECT_EQ(ip.text(), u"192.168.1.30"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(ip.text(), u"192.168.1.0"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(ip.text(), u"192.168.0.0"_s);

    EXPECT_TRUE(CIPAddressCtrl().text().isEmpty());
    ip.setText(u"gw.plant.example"_s);
    EXPECT_TRUE(ip.isBlank());
    EXPECT_EQ(ip.text(), u"gw.plant.example"_s);
    ip.setText(u"10.1.2.3"_s);
    EXPECT_EQ(ip.text(), u"10.1.2.3"_s);
    ip.setText(u"10.1.2.256"_s);
    EXPECT_EQ(ip.text(), u"10.1.2.256"_s); // kept, not silently turned into another address
    EXPECT_TRUE(ip.isBlank());

    ip.clear();
    ip.field(2)->setFocus();
    QApplication::clipboard()->setText(u" 172.16.0.5 "_s);
    QTest::keySequence(ip.field(2), QKeySequence(QKeySequence::Paste));
    EXPECT_EQ(ip.text(), u"172.16.0.5"_s);
    QApplication::clipboard()->clear();
}

} // namespace
