// The network dialog: address and mask rules, the texts of both requests, the confirmation, only
// the visible tab sent, empty lists, and servers beyond the two shown kept.
#include "ipaddressctrl.h"
#include "sent.h"
#include "zrnetworkdlg.h"

#include <messagebox.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct NetworkDlg : ::testing::Test
{
    NetworkDlg()
    {
        sentLog().clear();
        SetMessageHandler([this](const MessageRecord& r) {
            boxes.push_back(r);
            return r.buttons == MB_OKCANCEL ? confirm : IDOK;
        });
        dlg = std::make_unique<CZRNetworkDlg>(nullptr, 1);
        dlg->SetNick(QStringLiteral("Plant|10.1.0.2"));
        dlg->AddTitleInfo(QStringLiteral("10.1.0.2"));
        dlg->SetApplyAction(&recordSend, &context);
        dlg->SetActionType(11, 12);
    }
    ~NetworkDlg() override
    {
        dlg.reset();
        SetMessageHandler({});
    }
    void fill()
    {
        dlg->AddInterface(1, QStringLiteral("eth0"), QStringLiteral("10.1.0.2"),
                          QStringLiteral("255.255.0.0"), QStringLiteral("10.1.0.254"),
                          QStringLiteral("00:1B:8C:01:02:03"));
        dlg->AddInterface(0, QStringLiteral("Local Area Connection 2"), QStringLiteral("192.168.4.7"),
                          QStringLiteral("255.255.255.0"), QStringLiteral("192.168.4.1"),
                          QStringLiteral("00:1B:8C:01:02:04"));
        dlg->AddDNSList(QStringLiteral("eth0"), QString(), QString());
        dlg->AddDNSList(QStringLiteral("Local Area Connection 2"), QString(), QString());
        dlg->AddDNSList(QStringLiteral("eth0"), QStringLiteral("10.1.0.53"), QStringLiteral("9.9.9.9"),
                        {QStringLiteral("1.1.1.1")});
        dlg->OnInitDialog();
    }
    int countCaption(const QString& text) const
    {
        int n = 0;
        for (const auto& b : boxes)
            n += b.text == text;
        return n;
    }
    int context = 0;
    int confirm = IDOK;
    std::unique_ptr<CZRNetworkDlg> dlg;
    std::vector<MessageRecord> boxes;
};

TEST(NetworkRules, AddressesAndMasks)
{
    for (const char* bad : {"10.0.255.1", "192.168.1.0", "0.1.2.3", "254.1.1.1", "", "0.0.0.0", "1.2.3.255"})
        EXPECT_FALSE(CZRNetworkDlg::IsValidIP(QString::fromLatin1(bad))) << bad;
    for (const char* good : {"10.1.0.2", "192.168.2.55", "172.16.25.1"})
        EXPECT_TRUE(CZRNetworkDlg::IsValidIP(QString::fromLatin1(good))) << good;
    for (const char* good : {"255.255.0.0", "255.255.255.255", "255.255.255.252", "128.0.0.0"})
        EXPECT_TRUE(CZRNetworkDlg::IsValidMask(QString::fromLatin1(good))) << good;
    for (const char* bad : {"255.0.255.0", "255.255.255", "", "0.0.0.0", "255.255.256.0", "255.255.255.0.1",
                            "255.x.0.0", "0.255.255.255"})
        EXPECT_FALSE(CZRNetworkDlg::IsValidMask(QString::fromLatin1(bad))) << bad;
}

TEST_F(NetworkDlg, OpensOnTheIpTabWithTheFirstInterface)
{
    fill();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Network Setup - 10.1.0.2"));
    ASSERT_EQ(dlg->tabs()->count(), 2);
    EXPECT_EQ(dlg->tabs()->tabText(0), QStringLiteral("IP"));
    EXPECT_EQ(dlg->tabs()->tabText(1), QStringLiteral("DNS"));
    EXPECT_EQ(dlg->tabs()->currentIndex(), 0);
    CZRNetworkIPTab* ip = dlg->ipTab();
    EXPECT_EQ(ip->combo()->count(), 2);
    EXPECT_EQ(ip->ipCtrl()->text(), QStringLiteral("10.1.0.2"));
    EXPECT_EQ(ip->macField()->text(), QStringLiteral("00:1B:8C:01:02:03"));
    EXPECT_TRUE(ip->fixedButton()->isChecked());
    EXPECT_TRUE(ip->ipCtrl()->isEnabled());
    // Another interface: DHCP, its fields disabled.
    ip->combo()->setCurrentIndex(1);
    EXPECT_EQ(ip->ipCtrl()->text(), QStringLiteral("192.168.4.7"));
    EXPECT_TRUE(ip->dhcpButton()->isChecked());
    EXPECT_FALSE(ip->ipCtrl()->isEnabled());
    EXPECT_FALSE(ip->macField()->isEnabled());
    // The DNS tab shows the servers reported, the combo box usable on this type.
    EXPECT_EQ(dlg->dnsTab()->primaryCtrl()->text(), QStringLiteral("10.1.0.53"));
    EXPECT_EQ(dlg->dnsTab()->secondaryCtrl()->text(), QStringLiteral("9.9.9.9"));
    EXPECT_TRUE(dlg->dnsTab()->combo()->isEnabled());
}

TEST_F(NetworkDlg, ApplyingAFixedAddressAsksAndSendsTheInterfaceText)
{
    fill();
    dlg->ipTab()->ipCtrl()->setText(QStringLiteral("10.1.0.77"));
    dlg->ipTab()->gatewayCtrl()->clear(); // a blank field reads as nothing
    dlg->OnApply();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("IP Setting"));
    EXPECT_EQ(boxes[0].icon, unsigned(MB_ICONQUESTION));
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("Are you sure you want to modify the IPs setting?")));
    ASSERT_EQ(sentLog().size(), 1u);
    EXPECT_EQ(sentLog()[0].parameter, QStringLiteral("eth0 1 10.1.0.77 255.255.0.0 \"\""));
    EXPECT_EQ(sentLog()[0].number, 11);
    EXPECT_EQ(sentLog()[0].key, QStringLiteral("Plant|10.1.0.2"));
    _NetworkInterface stored;
    ASSERT_TRUE(dlg->GetInterface(QStringLiteral("eth0"), stored));
    EXPECT_EQ(stored.changed, 1);
    EXPECT_EQ(stored.ip, QStringLiteral("10.1.0.77"));
}

TEST_F(NetworkDlg, InvalidAddressesAreRefusedWithTheirMessages)
{
    fill();
    dlg->ipTab()->ipCtrl()->setText(QStringLiteral("10.0.255.1"));
    dlg->OnApply();
    EXPECT_EQ(countCaption(QStringLiteral("Invalid IP address.")), 1);
    dlg->ipTab()->ipCtrl()->setText(QStringLiteral("10.1.0.5"));
    dlg->ipTab()->maskCtrl()->setText(QStringLiteral("255.0.255.0"));
    dlg->OnApply();
    EXPECT_EQ(countCaption(QStringLiteral("Invalid submask.")), 1);
    EXPECT_TRUE(sentLog().empty());
    // Refused: no confirmation was asked.
    for (const auto& b : boxes)
        EXPECT_EQ(b.icon, unsigned(MB_ICONERROR));
}

TEST_F(NetworkDlg, ADhcpInterfaceGoesWithoutChecksAndANameWithBlanksInQuotes)
{
    fill();
    dlg->ipTab()->combo()->setCurrentIndex(1);
    dlg->ipTab()->ipCtrl()->setText(QStringLiteral("0.0.0.0")); // held but not checked
    dlg->OnApply();
    ASSERT_EQ(sentLog().size(), 1u);
    EXPECT_EQ(sentLog()[0].parameter,
              QStringLiteral("\"Local Area Connection 2\" 0 0.0.0.0 255.255.255.0 192.168.4.1"));
}

TEST_F(NetworkDlg, CancellingTheQuestionSendsNothingForApplyAndForOk)
{
    fill();
    confirm = IDCANCEL;
    dlg->OnApply();
    EXPECT_TRUE(sentLog().empty());
    dlg->OnOK();
    EXPECT_TRUE(sentLog().empty());
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(dlg->result(), 1); // closed all the same
}

TEST_F(NetworkDlg, OkOnTheDnsTabSendsOnlyTheDnsTextWithFurtherServersKept)
{
    fill();
    dlg->tabs()->setCurrentIndex(1);
    EXPECT_TRUE(dlg->dnsTab()->isVisibleTo(dlg.get()));
    EXPECT_FALSE(dlg->ipTab()->isVisibleTo(dlg.get()));
    dlg->dnsTab()->primaryCtrl()->setText(QStringLiteral("10.1.0.54"));
    dlg->OnOK();
    ASSERT_EQ(sentLog().size(), 1u);
    EXPECT_EQ(sentLog()[0].number, 12);
    EXPECT_EQ(sentLog()[0].parameter, QStringLiteral("eth0 \"10.1.0.54 9.9.9.9 1.1.1.1\""));
    EXPECT_TRUE(boxes.empty()); // DNS changes are not asked about
}

TEST_F(NetworkDlg, DnsTextsForMissingServersAndNames)
{
    _DNSServer e;
    e.name = QStringLiteral("Local Area Connection");
    e.secondary = QStringLiteral("8.8.4.4");
    EXPECT_EQ(dlg->GetDNSListData(e), QStringLiteral("\"Local Area Connection\" \"8.8.4.4\""));
    e.name.clear();
    e.secondary.clear();
    e.primary = QStringLiteral("8.8.8.8");
    EXPECT_EQ(dlg->GetDNSListData(e), QStringLiteral("\"\" \"8.8.8.8\""));
    e.primary.clear();
    EXPECT_EQ(dlg->GetDNSListData(e), QStringLiteral("\"\" \"\""));
    // An empty interface name is sent quoted too.
    _NetworkInterface i;
    EXPECT_EQ(dlg->GetInterfaceData(i), QStringLiteral("\"\" 0 \"\" \"\" \"\""));
    // No callback: nothing to produce.
    CZRNetworkDlg bare(nullptr, 1);
    EXPECT_EQ(bare.GetDNSListData(e), QString());
    EXPECT_EQ(bare.GetInterfaceData(i), QString());
}

TEST_F(NetworkDlg, AddDnsListReplacesByExactName)
{
    dlg->AddDNSList(QStringLiteral("eth0"), QStringLiteral("1.1.1.1"), QString());
    dlg->AddDNSList(QStringLiteral("ETH0"), QStringLiteral("2.2.2.2"), QString());
    dlg->AddDNSList(QStringLiteral("eth0"), QStringLiteral("3.3.3.3"), QStringLiteral("4.4.4.4"));
    ASSERT_EQ(dlg->dnsTab()->List().size(), 2);
    _DNSServer e;
    ASSERT_TRUE(dlg->GetDNSList(QStringLiteral("eth0"), e));
    EXPECT_EQ(e.primary, QStringLiteral("3.3.3.3"));
    EXPECT_EQ(e.secondary, QStringLiteral("4.4.4.4"));
    EXPECT_FALSE(dlg->GetDNSList(QStringLiteral("wlan0"), e));
}

TEST_F(NetworkDlg, EmptyListsLoadNothingAndReportFailure)
{
    dlg->OnInitDialog();
    QString text = QStringLiteral("stale");
    EXPECT_FALSE(dlg->SetInterface(text));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_FALSE(dlg->SetDNSList(text));
    dlg->OnApply();
    dlg->tabs()->setCurrentIndex(1);
    dlg->OnOK();
    EXPECT_TRUE(sentLog().empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(NetworkDlg, TypeZeroAgentsHaveOneResolverList)
{
    dlg->SetOSType(0);
    dlg->AddInterface(1, QStringLiteral("eth0"), QStringLiteral("10.1.0.2"), QStringLiteral("255.255.0.0"),
                      QString(), QString());
    dlg->AddDNSList(QStringLiteral("eth0"), QStringLiteral("10.1.0.53"), QString());
    dlg->OnInitDialog();
    EXPECT_FALSE(dlg->dnsTab()->combo()->isEnabled());
    EXPECT_EQ(dlg->dnsTab()->primaryCtrl()->text(), QStringLiteral("10.1.0.53"));
    EXPECT_TRUE(dlg->dnsTab()->secondaryCtrl()->isBlank());
}

} // namespace

namespace {
TEST_F(NetworkDlg, ASelfDeletingDialogSendsFromCopies)
{
    QPointer<CZRNetworkDlg> own = new CZRNetworkDlg(nullptr, 0);
    own->SetNick(QStringLiteral("Plant|10.1.0.8"));
    own->SetApplyAction(&recordSend, &context);
    own->SetActionType(11, 12);
    own->AddInterface(0, QStringLiteral("eth0"), QString(), QString(), QString(), QString());
    own->AddDNSList(QStringLiteral("eth0"), QStringLiteral("10.0.0.53"), QString());
    own->show();
    own->tabs()->setCurrentIndex(1);
    own->OnOK();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(own.isNull());
    ASSERT_EQ(sentLog().size(), 1u);
    EXPECT_EQ(sentLog()[0].parameter, QStringLiteral("eth0 \"10.0.0.53\""));
    EXPECT_EQ(sentLog()[0].key, QStringLiteral("Plant|10.1.0.8"));
}
} // namespace
