// SIM flows end to end: the plug-in bound from the built module, the control core, and the stand-in
// gateway's modem.
#include "gateway_process.h"
#include "mobiletest.h"

#include <notify.h>
#include <zrcontrol.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kKey = QStringLiteral("site|10.5.0.1");

struct SimEndToEnd : ::testing::Test
{
    void start(const char* fleetLine, std::vector<std::string> extra = {})
    {
        ASSERT_EQ(m.bound, 16);
        ASSERT_TRUE(dir.isValid());
        const QString fleet = dir.filePath(QStringLiteral("fleet.txt"));
        QFile f(fleet);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(fleetLine);
        f.close();
        std::vector<std::string> args = {"--fleet", fleet.toStdString(), "--root",
                                         dir.filePath(QStringLiteral("root")).toStdString()};
        args.insert(args.end(), extra.begin(), extra.end());
        gateway = std::make_unique<tarntest::GatewayProcess>(args);
        ASSERT_TRUE(gateway->ok());
        control = std::make_unique<CZRControl>();
        control->SetMainHWND(&relay);
        control->AddGateway(QStringLiteral("site"), QStringLiteral("127.0.0.1"),
                            QString::number(gateway->port()));
        ASSERT_EQ(control->Connect2Gateway(QStringLiteral("site")), 1);
        ASSERT_TRUE(waitUntil([&] { return relay.online == 1; }, 10000)) << gateway->stderrText();

        parent.resize(800, 500);
        wnd = m.CreateWnd(&parent);
        ASSERT_NE(wnd, nullptr);
        static_cast<QWidget*>(wnd)->setGeometry(parent.rect());
        parent.show();
        relay.deliver = [this](const _Notice& n) {
            const ZRMobileReply reply{n.code, u16(n.key), u16(n.text)};
            MobileExports::get().ReceiveMessage(wnd, &reply);
        };
        rec.forward = [this](const SentRequest& r) {
            return control->SendRequest(r.number, r.hasText ? r.text : QString(), r.key);
        };
        m.SetSendMessageCB(wnd, &SendRecorder::Callback, &parent, &rec);
        // What the console does when the operator picks the Mobile command for the agent.
        m.EnableATRelated(wnd, 1);
        m.Reset(wnd);
        m.SetNick(wnd, u16(kKey));
        m.SetVersion(wnd, u"2.4.1 Build 1190");
        m.SetModel(wnd, u"K520-LX");
        m.Init(wnd);
    }
    void TearDown() override
    {
        if (wnd) m.DestroyWnd(wnd);
        control.reset();
        gateway.reset();
    }
    template <typename T> T* child(const QString& prefix) const
    {
        for (T* c : static_cast<QWidget*>(wnd)->findChildren<T*>())
            if (c->objectName().startsWith(prefix)) return c;
        return nullptr;
    }
    QString status() const { return child<QLabel>(QStringLiteral("StatusLine"))->text(); }
    QString note() const { return child<QLabel>(QStringLiteral("NoteLine"))->text(); }
    bool waitStatus(const QString& text)
    {
        const bool ok = waitUntil([&] { return status() == text; });
        if (!ok) ADD_FAILURE() << "status is " << qPrintable(status()) << ", not " << qPrintable(text);
        return ok;
    }
    bool waitNote(const QString& part)
    {
        const bool ok = waitUntil([&] { return note().contains(part); });
        if (!ok) ADD_FAILURE() << "note is " << qPrintable(note()) << ", without " << qPrintable(part);
        return ok;
    }
    // Types the codes and presses OK once the page takes input again.
    void enter(const QString& code, const QString& fresh = QString(), const QString& confirm = QString())
    {
        auto* ok = child<QPushButton>(QStringLiteral("OkButton"));
        ASSERT_TRUE(waitUntil([&] { return ok->isEnabled() && ok->isVisible(); }));
        child<QLineEdit>(QStringLiteral("CodeEdit"))->setText(code);
        child<QLineEdit>(QStringLiteral("NewPinEdit"))->setText(fresh);
        child<QLineEdit>(QStringLiteral("ConfirmPinEdit"))->setText(confirm);
        QTest::mouseClick(ok, Qt::LeftButton);
    }
    int navigationItems() const { return child<QListWidget>(QStringLiteral("NavigationItems"))->count(); }

    MobileExports& m = MobileExports::get();
    MessageRecorder boxes;
    QTemporaryDir dir;
    Relay relay;
    SendRecorder rec;
    std::unique_ptr<tarntest::GatewayProcess> gateway;
    std::unique_ptr<CZRControl> control;
    QWidget parent;
    void* wnd = nullptr;
};

const QString kPinLocked = QStringLiteral("The SIM card is locked by PIN code.");
const QString kPukLocked = QStringLiteral("The SIM card is locked by PUK code.");
const QString kReady = QStringLiteral("The SIM card is ready to use.");

} // namespace

TEST_F(SimEndToEnd, RightPinMakesTheCardReady)
{
    start("10.5.0.1 cell-01 model=K520-LX sim=pin pin=2468\n");
    ASSERT_TRUE(waitStatus(kPinLocked));
    EXPECT_TRUE(note().contains(QStringLiteral("You still have 3 times")));
    EXPECT_EQ(navigationItems(), 2);
    enter(QStringLiteral("2468"));
    ASSERT_TRUE(waitStatus(kReady));
    EXPECT_EQ(navigationItems(), 6);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(rec.count(33), 1);
}

TEST_F(SimEndToEnd, TwoWrongPinsThenTheRightOne)
{
    start("10.5.0.1 cell-01 model=K520-LX sim=pin pin=2468\n");
    ASSERT_TRUE(waitStatus(kPinLocked));
    enter(QStringLiteral("1111"));
    ASSERT_TRUE(waitNote(QStringLiteral("You still have 2 times")));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Incorrect PIN code."));
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Error - 10.5.0.1"));
    enter(QStringLiteral("2222"));
    ASSERT_TRUE(waitNote(QStringLiteral("last chance")));
    // A PIN that failed is not sent again by itself.
    pump(300);
    EXPECT_EQ(rec.count(33), 2);
    enter(QStringLiteral("2468"));
    ASSERT_TRUE(waitStatus(kReady));
    EXPECT_EQ(rec.count(33), 3);
}

TEST_F(SimEndToEnd, ThreeWrongPinsThenThePukWithTheOperatorsNewPin)
{
    start("10.5.0.1 cell-01 model=K520-LX sim=pin pin=2468 puk=11223344\n");
    ASSERT_TRUE(waitStatus(kPinLocked));
    for (const char* wrong : {"1111", "2222", "3333"})
        enter(QString::fromLatin1(wrong));
    ASSERT_TRUE(waitStatus(kPukLocked));
    ASSERT_TRUE(waitNote(QStringLiteral("Tries left: 10.")));
    // A wrong PUK costs one of the ten tries.
    enter(QStringLiteral("99999999"), QStringLiteral("4321"), QStringLiteral("4321"));
    ASSERT_TRUE(waitNote(QStringLiteral("Tries left: 9.")));
    EXPECT_EQ(status(), kPukLocked);
    // The confirmation must match before anything is sent.
    const int sent = rec.count(33);
    enter(QStringLiteral("11223344"), QStringLiteral("4321"), QStringLiteral("1234"));
    EXPECT_EQ(rec.count(33), sent);
    enter(QStringLiteral("11223344"), QStringLiteral("4321"), QStringLiteral("4321"));
    ASSERT_TRUE(waitStatus(kReady));
    EXPECT_EQ(rec.sent.back().text, QStringLiteral("11223344 4321"));
    // The card took the operator's PIN: locking it needs that PIN.
    relay.codes.clear();
    ASSERT_EQ(control->SendRequest(36, QStringLiteral("1 4321"), kKey), 1);
    ASSERT_TRUE(waitUntil([&] { return !relay.codes.empty(); }));
    EXPECT_EQ(relay.codes.front(), 310);
}

TEST_F(SimEndToEnd, CardWithoutSimAndTheLastPukTry)
{
    start("10.5.0.1 cell-01 model=K520-LX sim=puk\n");
    ASSERT_TRUE(waitStatus(kPukLocked));
    for (int i = 0; i < 9; ++i)
        enter(QStringLiteral("00000000"), QStringLiteral("1111"), QStringLiteral("1111"));
    ASSERT_TRUE(waitNote(QStringLiteral("last chance")));
    enter(QStringLiteral("00000000"), QStringLiteral("1111"), QStringLiteral("1111"));
    // Blocked: the card is asked again and answers that it is blocked.
    ASSERT_TRUE(waitStatus(QStringLiteral("The SIM card is not inserted.")));
    ASSERT_TRUE(waitUntil([&] {
        return !boxes.boxes.empty() && boxes.boxes.back().text == QStringLiteral("The SIM card is blocked.");
    }));
    EXPECT_EQ(navigationItems(), 2);
}

TEST_F(SimEndToEnd, ConfigurationReadsTheModemAndARefusedStorageGoesBack)
{
    start("10.5.0.1 cell-01 model=K520-LX sim=pin pin=2468\n", {"--modem-fail", "333"});
    ASSERT_TRUE(waitStatus(kPinLocked));
    enter(QStringLiteral("2468"));
    ASSERT_TRUE(waitStatus(kReady));
    // The operator picks Configuration in the navigation bar.
    auto* items = child<QListWidget>(QStringLiteral("NavigationItems"));
    QListWidgetItem* cfg = nullptr;
    for (int i = 0; i < items->count(); ++i)
        if (items->item(i)->text() == QStringLiteral("Configuration")) cfg = items->item(i);
    ASSERT_NE(cfg, nullptr);
    QTest::mouseClick(items->viewport(), Qt::LeftButton, {}, items->visualItemRect(cfg).center());
    auto* lock = child<QLabel>(QStringLiteral("LockState"));
    auto* sim = child<QCheckBox>(QStringLiteral("Ctl12612"));
    auto* device = child<QCheckBox>(QStringLiteral("Ctl12613"));
    ASSERT_TRUE(waitUntil([&] { return lock->text() == QStringLiteral("Lock") && sim->isChecked(); }));
    ASSERT_TRUE(waitUntil([&] { return rec.count(56) == 1 && relay.codes.back() == 358; }));
    EXPECT_FALSE(device->isChecked());
    auto* apply = child<QPushButton>(QStringLiteral("Ctl12616"));
    ASSERT_TRUE(waitUntil([&] { return apply->isEnabled(); }));
    sim->setChecked(false);
    device->setChecked(true);
    QTest::mouseClick(apply, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return sim->isChecked() && !device->isChecked(); }));
    EXPECT_EQ(rec.count(47), 1);
    EXPECT_EQ(boxes.boxes.back().text, QStringLiteral("The modem does not respond."));
}
