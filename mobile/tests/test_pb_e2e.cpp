// Phone book, GPRS and configuration end to end: the window with the control core and the stand-in
// gateway's modem behind its send callback.
#include "cfgwnd.h"
#include "gateway_process.h"
#include "gprswnd.h"
#include "mobiletest.h"
#include "modal.h"
#include "pbwnd.h"
#include "resource.h"
#include "simwnd.h"
#include "zrmobilewnd.h"

#include <notify.h>
#include <zrcontrol.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kKey = QStringLiteral("site|10.5.0.1");

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

struct MobileEndToEnd : ::testing::Test
{
    void start(const char* fleetLine, std::vector<std::string> extra = {})
    {
        ASSERT_TRUE(dir.isValid());
        const QString fleet = dir.filePath(QStringLiteral("fleet.txt"));
        ASSERT_TRUE(writeFile(fleet, fleetLine));
        std::vector<std::string> args = {"--fleet", fleet.toStdString(), "--root", root().toStdString()};
        args.insert(args.end(), extra.begin(), extra.end());
        gateway = std::make_unique<tarntest::GatewayProcess>(args);
        ASSERT_TRUE(gateway->ok());
        control = std::make_unique<CZRControl>();
        control->SetMainHWND(&relay);
        control->AddGateway(QStringLiteral("site"), QStringLiteral("127.0.0.1"),
                            QString::number(gateway->port()));
        ASSERT_EQ(control->Connect2Gateway(QStringLiteral("site")), 1);
        ASSERT_TRUE(waitUntil([&] { return relay.online == 1; }, 10000)) << gateway->stderrText();

        parent.resize(900, 620);
        wnd = new CZRMobileWnd(&parent);
        wnd->setGeometry(parent.rect());
        parent.show();
        relay.deliver = [this](const _Notice& n) { wnd->ReceiveMessage(quint16(n.code), n.key, n.text); };
        rec.forward = [this](const SentRequest& r) {
            return control->SendRequest(r.number, r.hasText ? r.text : QString(), r.key);
        };
        wnd->SetSendMessageCB(&SendRecorder::Callback, &parent, &rec);
        wnd->EnableATRelated(true);
        wnd->Reset();
        wnd->SetNick(kKey);
        wnd->SetVersion(QStringLiteral("2.4.1"));
        wnd->SetModel(QStringLiteral("K520-LX"));
        wnd->Init();
        ASSERT_TRUE(waitUntil([&] { return wnd->SimPage()->SimState() == 0 && wnd->IsReady(); }));
    }
    void TearDown() override
    {
        relay.deliver = nullptr;
        delete wnd;
        control.reset();
        gateway.reset();
    }
    QString root() const { return dir.filePath(QStringLiteral("root")); }
    QString agentFile(const QString& path) const { return root() + QStringLiteral("/10.5.0.1") + path; }
    // The page shown and its opening requests answered.
    bool show(quint16 page)
    {
        wnd->ShowPage(page);
        return waitUntil([&] { return wnd->IsReady(); });
    }
    bool idle()
    {
        pump(50);
        return waitUntil([&] { return wnd->IsReady(); });
    }
    bool saved()
    {
        return waitUntil([&] {
            if (!wnd->IsReady()) return false;
            for (long r = 0; r < grid()->GetNumberRows(); ++r)
                if (grid()->Changed(r)) return false;
            return true;
        });
    }
    CZRMobilePBWnd* pb() const { return wnd->PbPage(); }
    CZRMobilePBGrid* grid() const { return pb()->Grid(); }
    CZRMobileGPRSWnd* gprs() const { return wnd->GprsPage(); }
    template <typename T> T* ctl(QWidget* page, int id) const
    {
        return page->findChild<T*>(QStringLiteral("Ctl%1").arg(id));
    }
    void exportTo(const QString& name, const QString& localDir, const QString& deviceDir)
    {
        whenModal([=](QDialog* dlg) {
            named<QLineEdit>(dlg, QStringLiteral("Ctl12119"))->setText(name);
            named<QCheckBox>(dlg, QStringLiteral("Ctl12121"))->setChecked(!localDir.isEmpty());
            named<QLineEdit>(dlg, QStringLiteral("Ctl12124"))->setText(localDir);
            named<QCheckBox>(dlg, QStringLiteral("Ctl12125"))->setChecked(!deviceDir.isEmpty());
            named<QLineEdit>(dlg, QStringLiteral("Ctl12127"))->setText(deviceDir);
            dlg->accept();
        });
        QTest::mouseClick(ctl<QPushButton>(pb(), 12521), Qt::LeftButton);
    }
    // Imports a file and takes the preview; the previewed contacts come back.
    QList<_PBItem> importFrom(bool local, const QString& path)
    {
        auto previewed = std::make_shared<QList<_PBItem>>();
        whenModal([=](QDialog* dlg) {
            named<QRadioButton>(dlg, local ? QStringLiteral("Ctl12130") : QStringLiteral("Ctl12131"))
                ->setChecked(true);
            named<QLineEdit>(dlg, local ? QStringLiteral("Ctl12134") : QStringLiteral("Ctl12136"))
                ->setText(path);
            dlg->accept();
            whenModal([=](QDialog* preview) {
                if (auto* p = qobject_cast<CZRMobilePBDlg*>(preview)) *previewed = p->Grid()->Contacts();
                preview->accept();
            });
        });
        QTest::mouseClick(ctl<QPushButton>(pb(), 12522), Qt::LeftButton);
        waitUntil([&] { return !previewed->isEmpty(); }, 5000);
        // The preview taken, the grid holds the imported book before its saves go out.
        EXPECT_TRUE(waitUntil([&] { return pb()->Contacts() == *previewed; }, 5000));
        return *previewed;
    }
    bool boxWith(const QString& text)
    {
        const bool found = waitUntil([&] {
            for (const MessageRecord& m : boxes.boxes)
                if (m.text.startsWith(text)) return true;
            return false;
        });
        if (!found)
            for (const MessageRecord& m : boxes.boxes)
                ADD_FAILURE() << "box: " << qPrintable(m.text);
        return found;
    }

    MessageRecorder boxes;
    QTemporaryDir dir;
    Relay relay;
    SendRecorder rec;
    std::unique_ptr<tarntest::GatewayProcess> gateway;
    std::unique_ptr<CZRControl> control;
    QWidget parent;
    CZRMobileWnd* wnd = nullptr;
};

const _PBItem kBoss{QStringLiteral("Ann \"Boss\" Lee"), QStringLiteral("+4912345")};
const _PBItem kSlash{QStringLiteral("ends in \\"), QStringLiteral("*100#")};

} // namespace

TEST_F(MobileEndToEnd, PhoneBookRoundTripsBetweenDeviceGridAndFiles)
{
    start("10.5.0.1 cell-01 model=K520-LX sim=ready\n");
    ASSERT_TRUE(show(PAGE_PHONEBOOK));
    // The SIM's book has a gap at index 3: the row stays empty.
    ASSERT_TRUE(waitUntil([&] { return pb()->Contacts().size() == 3; }));
    EXPECT_EQ(grid()->Name(1), QStringLiteral("Ann Lee"));
    EXPECT_TRUE(grid()->IsEmptyRow(2));
    EXPECT_EQ(grid()->Number(3), QStringLiteral("*100#"));

    // Grid to device: the names go whole, quotes and backslash included.
    grid()->SetContact(1, kBoss.name, kBoss.number, true);
    grid()->SetContact(2, kSlash.name, kSlash.number, true);
    QTest::mouseClick(ctl<QPushButton>(pb(), 12519), Qt::LeftButton);
    ASSERT_TRUE(saved());
    EXPECT_EQ(rec.count(55), 2);
    ASSERT_TRUE(show(PAGE_GPRS));
    ASSERT_TRUE(show(PAGE_PHONEBOOK));
    ASSERT_TRUE(waitUntil([&] { return grid()->Name(2) == kSlash.name; }));
    EXPECT_EQ(grid()->Name(1), kBoss.name);
    const QList<_PBItem> book = pb()->Contacts();
    ASSERT_EQ(book.size(), 4);

    // Grid to a local file and to a file on the device.
    exportTo(QStringLiteral("book.txt"), dir.path(), QStringLiteral("/tmp"));
    ASSERT_TRUE(boxWith(QStringLiteral("Exporting phone book to local PC is successful.")));
    ASSERT_TRUE(boxWith(QStringLiteral("Exporting phone book to device is successful.")));
    const QByteArray local = readFile(dir.filePath(QStringLiteral("book.txt")));
    EXPECT_TRUE(local.contains("\"Ann \\\"Boss\\\" Lee\" +4912345\r\n")) << local.constData();
    EXPECT_TRUE(local.contains("\"ends in \\\\\" *100#\r\n")) << local.constData();
    EXPECT_EQ(readFile(agentFile(QStringLiteral("/tmp/book.txt"))), local);

    // Local file to grid to device: the imported book replaces the grid from the first row.
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("two.txt")),
                          "\"Ann \\\"Boss\\\" Lee\" +4912345\r\n\r\n\"ends in \\\\\" *100#\r\n"));
    EXPECT_EQ(importFrom(true, dir.filePath(QStringLiteral("two.txt"))), (QList<_PBItem>{kBoss, kSlash}));
    ASSERT_TRUE(saved());
    ASSERT_TRUE(show(PAGE_GPRS));
    ASSERT_TRUE(show(PAGE_PHONEBOOK));
    ASSERT_TRUE(waitUntil([&] { return grid()->Name(1) == kSlash.name; }));
    EXPECT_EQ(grid()->Name(0), kBoss.name);

    // Device file to grid: the export written before comes back whole.
    EXPECT_EQ(importFrom(false, QStringLiteral("/tmp/book.txt")), book);
    ASSERT_TRUE(saved());
    EXPECT_EQ(pb()->Contacts(), book);
}

TEST_F(MobileEndToEnd, PhoneBookLongLinesOnTheDeviceAndTargetsThatCannotBeWritten)
{
    ASSERT_TRUE(writeFile(agentFile(QStringLiteral("/tmp/long.txt")),
                          "\"" + QByteArray(1500, 'n') + "\" 1\r\n\r\n\"Bob\" 2\r\n"));
    start("10.5.0.1 cell-01 model=K520-LX sim=ready\n");
    ASSERT_TRUE(show(PAGE_PHONEBOOK));
    ASSERT_TRUE(waitUntil([&] { return pb()->Contacts().size() == 3; }));
    const QList<_PBItem> imported = importFrom(false, QStringLiteral("/tmp/long.txt"));
    ASSERT_EQ(imported.size(), 2);
    EXPECT_EQ(imported[1], (_PBItem{QStringLiteral("Bob"), QStringLiteral("2")}));
    // The long name is more than the SIM takes: that save fails and its row stays changed.
    ASSERT_TRUE(waitUntil([&] { return wnd->IsReady() && !grid()->Changed(1); }));
    EXPECT_TRUE(grid()->Changed(0));
    ASSERT_TRUE(boxWith(QStringLiteral("The contact could not be saved.")));

    // A local folder that is a file, and a device folder that does not exist.
    grid()->SetChanged(0, false);
    boxes.boxes.clear();
    relay.codes.clear();
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("plain")), "x"));
    exportTo(QStringLiteral("book.txt"), dir.filePath(QStringLiteral("plain")), QStringLiteral("/no/such"));
    ASSERT_TRUE(boxWith(QStringLiteral("Cannot export the phone book to local PC.")));
    // The agent's reason for the device file comes back as an error.
    ASSERT_TRUE(waitUntil([&] { return !relay.codes.empty() && relay.codes.back() == 999; }));
    ASSERT_TRUE(idle());
    EXPECT_EQ(boxes.boxes.back().caption, QStringLiteral("Error - 10.5.0.1"));
    EXPECT_EQ(boxes.boxes.back().icon, unsigned(MB_ICONERROR));
    for (const MessageRecord& m : boxes.boxes) {
        EXPECT_FALSE(m.text.contains(QStringLiteral("successful"))) << qPrintable(m.text);
        if (m.text.startsWith(QStringLiteral("Cannot export"))) {
            EXPECT_EQ(m.icon, unsigned(MB_ICONERROR));
            // The system's reason follows the message.
            EXPECT_TRUE(m.text.contains(u'\n')) << qPrintable(m.text);
        }
    }
    EXPECT_FALSE(QFile::exists(agentFile(QStringLiteral("/no/such/book.txt"))));
}

TEST_F(MobileEndToEnd, GprsConnectDisconnectReconnectionAndDiagnosis)
{
    start("10.5.0.1 cell-01 model=K520-LX sim=ready\n");
    ASSERT_TRUE(show(PAGE_GPRS));
    auto* band = ctl<QLineEdit>(gprs(), 12530);
    ASSERT_TRUE(waitUntil([&] { return band->text() == QStringLiteral("GSM 900 MHz + GSM 1800 MHz"); }));
    EXPECT_EQ(ctl<QLineEdit>(gprs(), 12534)->text(), QStringLiteral("internet.tarn"));
    auto* state = gprs()->findChild<QLabel*>(QStringLiteral("ConnectionState"));
    EXPECT_EQ(state->text(), QStringLiteral("Disconnected"));

    whenModal([](QDialog* dlg) {
        named<QLineEdit>(dlg, QStringLiteral("Ctl12148"))->setText(QStringLiteral("fleet"));
        named<QLineEdit>(dlg, QStringLiteral("Ctl12150"))->setText(QStringLiteral("s3cret"));
        dlg->accept();
    });
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12527), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return state->text() == QStringLiteral("Connected"); }));
    EXPECT_EQ(ctl<QPushButton>(gprs(), 12527)->text(), QStringLiteral("Disonnect"));
    // Connected on the page shown: band, operator and access point are read again.
    ASSERT_TRUE(idle());
    EXPECT_EQ(rec.count(41), 2);

    QTest::mouseClick(ctl<QRadioButton>(gprs(), 12538), Qt::LeftButton);
    ctl<QLineEdit>(gprs(), 12541)->setText(QStringLiteral("45"));
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12537), Qt::LeftButton);
    auto* reconnect = gprs()->findChild<QLabel*>(QStringLiteral("ReconnectState"));
    ASSERT_TRUE(waitUntil([&] { return reconnect->text() == QStringLiteral("Reconnect started"); }));
    QTest::mouseClick(ctl<QRadioButton>(gprs(), 12539), Qt::LeftButton);
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12537), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return reconnect->text() == QStringLiteral("Reconnect stopped"); }));
    // Stop while stopped keeps "stopped"; the modem agrees.
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12537), Qt::LeftButton);
    ASSERT_TRUE(idle());
    EXPECT_EQ(reconnect->text(), QStringLiteral("Reconnect stopped"));
    ASSERT_TRUE(show(PAGE_GPRS));
    ASSERT_TRUE(waitUntil([&] { return !relay.codes.empty() && relay.codes.back() == 320; }));
    EXPECT_EQ(reconnect->text(), QStringLiteral("Reconnect stopped"));

    QTest::mouseClick(ctl<QPushButton>(gprs(), 12546), Qt::LeftButton);
    auto* result = ctl<QPlainTextEdit>(gprs(), 12545);
    ASSERT_TRUE(
        waitUntil([&] { return result->toPlainText().contains(QStringLiteral("GPRS attached: yes")); }));

    // Operator and access point set; a refused access point empties its edit.
    ctl<QLineEdit>(gprs(), 12532)->setText(QStringLiteral("Fjord Tel"));
    ctl<QLineEdit>(gprs(), 12534)->setText(QString(120, u'a'));
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12528), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !relay.codes.empty() && relay.codes.back() == 999; }));
    ASSERT_TRUE(waitUntil([&] { return ctl<QLineEdit>(gprs(), 12534)->text().isEmpty(); }));
    ctl<QLineEdit>(gprs(), 12534)->setText(QStringLiteral("m2m.fjord"));
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12528), Qt::LeftButton);
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12527), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return state->text() == QStringLiteral("Disconnected"); }));
    ASSERT_TRUE(show(PAGE_GPRS));
    ASSERT_TRUE(
        waitUntil([&] { return ctl<QLineEdit>(gprs(), 12534)->text() == QStringLiteral("m2m.fjord"); }));
    EXPECT_EQ(ctl<QLineEdit>(gprs(), 12532)->text(), QStringLiteral("Fjord Tel"));
}

TEST_F(MobileEndToEnd, GprsBootConnectionForTheFamily)
{
    start("10.5.0.1 cell-01 model=K7210-T sim=ready\n");
    wnd->SetModel(QStringLiteral("K7210-T"));
    wnd->Init();
    ASSERT_TRUE(idle());
    ASSERT_TRUE(show(PAGE_GPRS));
    auto* line = gprs()->findChild<QLabel*>(QStringLiteral("BootLine"));
    ASSERT_TRUE(waitUntil([&] { return relay.codes.back() == 522; }));
    EXPECT_EQ(line->text(), QStringLiteral("Auto-connection disabled at booting"));
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12543), Qt::LeftButton);
    ASSERT_TRUE(
        waitUntil([&] { return line->text() == QStringLiteral("Auto-connection enabled at booting"); }));
    EXPECT_EQ(ctl<QPushButton>(gprs(), 12543)->text(), QStringLiteral("Disable"));
}

TEST_F(MobileEndToEnd, ConfigurationPinLockWithThePromptAndAMismatchedNewPin)
{
    start("10.5.0.1 cell-01 model=K520-LX sim=ready pin=2468\n");
    ASSERT_TRUE(show(PAGE_CONFIG));
    auto* lockState = wnd->CfgPage()->findChild<QLabel*>(QStringLiteral("LockState"));
    ASSERT_TRUE(
        waitUntil([&] { return lockState->text() == QStringLiteral("Unlock") && rec.count(56) == 1; }));
    ASSERT_TRUE(idle());
    auto* lock = ctl<QPushButton>(wnd->CfgPage(), 12604);
    // A wrong PIN is refused by the card; the state stays.
    auto answer = [](const QString& pin) {
        whenModal([pin](QDialog* dlg) {
            EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Authentication"));
            dlg->findChild<QLineEdit*>()->setText(pin);
            dlg->accept();
        });
    };
    answer(QStringLiteral("1111"));
    QTest::mouseClick(lock, Qt::LeftButton);
    ASSERT_TRUE(boxWith(QStringLiteral("Incorrect PIN code.")));
    ASSERT_TRUE(idle());
    EXPECT_EQ(lockState->text(), QStringLiteral("Unlock"));
    answer(QStringLiteral("2468"));
    QTest::mouseClick(lock, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return lockState->text() == QStringLiteral("Lock"); }));
    EXPECT_EQ(rec.sent.back().text, QStringLiteral("1 2468"));

    // A new PIN whose confirmation differs is not sent; a matching one is, and the card takes it.
    ASSERT_TRUE(idle());
    boxes.boxes.clear();
    whenModal([](QDialog* dlg) {
        const QList<QLineEdit*> edits = dlg->findChildren<QLineEdit*>();
        ASSERT_EQ(edits.size(), 3);
        edits[0]->setText(QStringLiteral("2468"));
        edits[1]->setText(QStringLiteral("1357"));
        edits[2]->setText(QStringLiteral("1358"));
        dlg->accept();
        ASSERT_TRUE(dlg->isVisible());
        edits[2]->setText(QStringLiteral("1357"));
        dlg->accept();
    });
    QTest::mouseClick(ctl<QPushButton>(wnd->CfgPage(), 12605), Qt::LeftButton);
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("The new PIN codes do not match, please try again."));
    EXPECT_EQ(rec.count(34), 1);
    ASSERT_TRUE(idle());
    // Unlocking now takes the new PIN.
    answer(QStringLiteral("1357"));
    QTest::mouseClick(lock, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return lockState->text() == QStringLiteral("Unlock"); }));
}

TEST_F(MobileEndToEnd, ConfigurationStoragesAndARefusedChangeGoesBack)
{
    start("10.5.0.1 cell-01 model=K520-LX sim=ready\n", {"--modem-fail", "359"});
    ASSERT_TRUE(show(PAGE_CONFIG));
    auto* cfg = wnd->CfgPage();
    ASSERT_TRUE(waitUntil([&] { return rec.count(56) == 1 && wnd->IsReady(); }));
    ASSERT_TRUE(idle());
    EXPECT_TRUE(ctl<QCheckBox>(cfg, 12612)->isChecked());
    EXPECT_TRUE(ctl<QRadioButton>(cfg, 12619)->isChecked());
    // Both storages: "MT" with the number the agent keeps.
    ctl<QCheckBox>(cfg, 12613)->setChecked(true);
    QTest::mouseClick(ctl<QPushButton>(cfg, 12616), Qt::LeftButton);
    ASSERT_TRUE(idle());
    EXPECT_EQ(rec.sent.back().text, QStringLiteral("MT 0"));
    EXPECT_EQ(cfg->SmsStorage(), 2);
    // The phone-book storage change is refused: the radio goes back.
    QTest::mouseClick(ctl<QRadioButton>(cfg, 12620), Qt::LeftButton);
    QTest::mouseClick(ctl<QPushButton>(cfg, 12623), Qt::LeftButton);
    ASSERT_TRUE(boxWith(QStringLiteral("The modem does not respond.")));
    ASSERT_TRUE(waitUntil([&] { return ctl<QRadioButton>(cfg, 12619)->isChecked(); }));
    EXPECT_EQ(cfg->PbStorage(), 0);
    // Shown again, the page reads what the modem keeps.
    ASSERT_TRUE(show(PAGE_GPRS));
    cfg->Reset();
    ASSERT_TRUE(show(PAGE_CONFIG));
    ASSERT_TRUE(waitUntil([&] { return rec.count(46) == 2 && wnd->IsReady(); }));
    ASSERT_TRUE(idle());
    EXPECT_TRUE(ctl<QCheckBox>(cfg, 12612)->isChecked());
    EXPECT_TRUE(ctl<QCheckBox>(cfg, 12613)->isChecked());
    EXPECT_TRUE(ctl<QRadioButton>(cfg, 12619)->isChecked());
}
