// The upload and firmware upgrade commands against tarn-gateway: the dialog opened for the checked
// agents of a gateway with the others offered, the uploads it starts carried to every agent, and a
// refusal of the console that leaves the dialog open with nothing recorded.
#include "consoletest.h"
#include "gateway_process.h"
#include "resource.h"

#include <zrdevlistgrid.h>
#include <zrdialogs.h>
#include <zrfmtypes.h>
#include <zrupgradedlg.h>
#include <zruploaddlg.h>

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const QString kGw = u"Site"_qs;
const QString kA = u"10.6.0.1"_qs;
const QString kB = u"10.6.0.2"_qs;
const QString kC = u"10.6.0.3"_qs;
const QString kXpe = u"10.6.0.4"_qs;

struct TransferDialogs : ConsoleFixture
{
    TransferDialogs()
    {
        SetDialogHandler([this](QDialog* d) { return dialog ? dialog(d) : int(QDialog::Rejected); });
    }
    ~TransferDialogs() override
    {
        frame.reset();
        gateway.reset();
        SetDialogHandler({});
    }
    void startWith(std::vector<std::string> extra = {})
    {
        QDir().mkpath(root());
        const QString fleet = dir.filePath(u"fleet.txt"_qs);
        QFile f(fleet);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("10.6.0.1 lx-01 model=TRN-200-LX\n10.6.0.2 lx-02 model=TRN-200-LX\n10.6.0.3 lx-03 "
                "model=TRN-200-LX\n10.6.0.4 xpe-01 model=TRN-310-XPE\n");
        f.close();
        std::vector<std::string> args = {"--fleet", fleet.toStdString(), "--root", root().toStdString()};
        args.insert(args.end(), extra.begin(), extra.end());
        gateway = std::make_unique<tarntest::GatewayProcess>(args);
        ASSERT_TRUE(gateway->ok());
        start("[Gateway]\nCount=1\nName1=Site\nIP1=127.0.0.1\nPort1=" + QByteArray::number(gateway->port()) +
              "\n[File Upload]\nLocalDir=" + local.path().toUtf8() +
              "\nRemoteDir=/tmp\n[Firmware Upgrade]\nLocalDir=" + firmwareDir.path().toUtf8() + "\n");
        ASSERT_TRUE(doc()->ConnectGateway(kGw));
        QTreeWidgetItem* node = tree()->FindGateway(kGw);
        ASSERT_TRUE(waitUntil(
            [&] { return node->childCount() == 4 && !(CZRAgentTree::Param(node) & NODE_BUSY); }, 20000));
        ASSERT_TRUE(agentsDescribed(kGw));
    }
    QString root() const { return dir.filePath(u"root"_qs); }
    QByteArray onAgent(const QString& agent, const QString& path) const
    {
        QFile f(root() + u'/' + agent + path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray makeLocal(const QString& name, int bytes)
    {
        QByteArray body(bytes, Qt::Uninitialized);
        for (char& ch : body)
            ch = char(QRandomGenerator::global()->bounded(256));
        QFile f(local.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(body);
        return body;
    }
    // The file dialog picks these names from the folder it was started in.
    void pickFiles(const QStringList& names)
    {
        dialog = [this, names](QDialog* d) {
            auto* fd = qobject_cast<CZRFileDialog*>(d);
            if (fd == nullptr) return int(QDialog::Rejected);
            startedIn = fd->directory().absolutePath();
            offeredRemote = fd->RemoteDirEdit()->text();
            QStringList quoted;
            for (const QString& n : names)
                quoted << u'"' + n + u'"';
            fd->findChild<QLineEdit*>(u"fileNameEdit"_qs)->setText(quoted.join(u' '));
            fd->accept();
            return int(QDialog::Accepted);
        };
    }
    template <class Dlg> Dlg* openedBy(int command)
    {
        frame->UpdateCommandUI();
        EXPECT_TRUE(frame->Action(command)->isEnabled());
        frame->Action(command)->trigger();
        auto* dlg = qobject_cast<Dlg*>(doc()->ModelessWnd());
        return dlg && dlg->isVisible() ? dlg : nullptr;
    }
    // The gateway selected, its device list complete, these rows checked.
    QStringList checkRows(std::initializer_list<long> rows)
    {
        tree()->setCurrentItem(tree()->FindGateway(kGw));
        CZRDevListGrid* list = frame->InfoView()->DevList();
        EXPECT_TRUE(waitUntil([&] { return list->GetNumberRows() == 4; }));
        for (long r : rows)
            list->SetCheckedRow(r, true);
        QString gateway;
        return doc()->SelectionTargets(&gateway, false);
    }
    int transfersOn(const QString& agent) const
    {
        return control()->GetAgent(kGw + u'|' + agent).GetTransferCount(-1);
    }

    QTemporaryDir local;
    QTemporaryDir firmwareDir;
    std::unique_ptr<tarntest::GatewayProcess> gateway;
    std::function<int(QDialog*)> dialog;
    QString startedIn;
    QString offeredRemote;
};
} // namespace

TEST_F(TransferDialogs, UploadToTheCheckedAgentsOfAGatewayReachesEachOfThem)
{
    startWith();
    const QByteArray one = makeLocal(u"one.bin"_qs, 150 * 1024 + 5);
    const QByteArray two = makeLocal(u"two.bin"_qs, 70 * 1024 + 9);
    const QStringList checked = checkRows({0, 2});
    ASSERT_EQ(checked.size(), 2);
    pickFiles({u"one.bin"_qs, u"two.bin"_qs});

    auto* dlg = openedBy<CZRUploadDlg>(ID_UPLOAD);
    ASSERT_NE(dlg, nullptr);
    // Started where the profile says, with its remote directory offered.
    EXPECT_EQ(startedIn, local.path());
    EXPECT_EQ(offeredRemote, u"/tmp"_qs);
    EXPECT_EQ(dlg->GetNick(), kGw);
    EXPECT_EQ(dlg->Agents(0), checked);
    QStringList others = dlg->Agents(1);
    QStringList expectOthers{kA, kB, kC, kXpe};
    for (const QString& c : checked)
        expectOthers.removeAll(c);
    EXPECT_EQ(others, expectOthers);
    EXPECT_EQ(dlg->ListBox(0)->count(), 2);
    EXPECT_EQ(dlg->GetFileCount(), 2);
    // Modeless and centred over the frame.
    EXPECT_FALSE(dlg->isModal());
    EXPECT_LE((dlg->geometry().center() - frame->geometry().center()).manhattanLength(), 4);

    dlg->findChild<QPushButton*>(u"1"_qs)->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Upload the file(s)?"_qs);
    ASSERT_TRUE(
        waitUntil([&] { return doc()->ModelessWnd() == nullptr || !doc()->ModelessWnd()->isVisible(); }));
    // Every file to every checked agent; nothing to the rest.
    ASSERT_TRUE(waitUntil([&] { return control()->GetGateway(kGw).GetTransferCount() == 0; }, 60000))
        << gateway->stderrText();
    for (const QString& agent : checked) {
        EXPECT_EQ(onAgent(agent, u"/tmp/one.bin"_qs), one) << agent.toStdString();
        EXPECT_EQ(onAgent(agent, u"/tmp/two.bin"_qs), two) << agent.toStdString();
        EXPECT_EQ(transfersOn(agent), 0);
    }
    for (const QString& agent : expectOthers)
        EXPECT_TRUE(onAgent(agent, u"/tmp/one.bin"_qs).isEmpty()) << agent.toStdString();
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(TransferDialogs, ARefusedAgentKeepsTheDialogOpenAndTheNextUploadSendsNothingTwice)
{
    startWith();
    const QByteArray one = makeLocal(u"one.bin"_qs, 40 * 1024 + 1);
    // A plain agent and one whose system needs a drive in the remote path.
    tree()->setCurrentItem(tree()->FindAgent(kGw, kA));
    ASSERT_TRUE(waitUntil([&] { return control()->GetAgent(kGw + u'|' + kXpe).GetOSType(1) == 2; }));
    pickFiles({u"one.bin"_qs});
    auto* dlg = openedBy<CZRUploadDlg>(ID_UPLOAD);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->Agents(0), QStringList{kA});
    dlg->ListBox(1)->setCurrentRow(int(dlg->Agents(1).indexOf(kXpe)));
    dlg->MoveToSelected();
    ASSERT_EQ(dlg->Agents(0), (QStringList{kA, kXpe}));

    dlg->accept();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, u"Invalid remote directory.\nPlease specify the drive (ex: C:\\)."_qs);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(transfersOn(kXpe), 0);
    EXPECT_EQ(transfersOn(kA) + int(onAgent(kA, u"/tmp/one.bin"_qs) == one), 1);

    // The refused agent taken out, the second OK closes without handing the first one in again.
    dlg->ListBox(0)->setCurrentRow(1);
    dlg->MoveToOthers();
    dlg->accept();
    EXPECT_EQ(boxes.size(), 3u); // the confirmation only
    ASSERT_TRUE(
        waitUntil([&] { return doc()->ModelessWnd() == nullptr || !doc()->ModelessWnd()->isVisible(); }));
    ASSERT_TRUE(waitUntil([&] { return control()->GetGateway(kGw).GetTransferCount() == 0; }, 60000));
    EXPECT_EQ(onAgent(kA, u"/tmp/one.bin"_qs), one);
    EXPECT_EQ(boxes.size(), 3u);
}

TEST_F(TransferDialogs, FirmwareFromTheContextCommandIsRefusedWhileTheAgentUpgrades)
{
    startWith({"--upgrade-delay", "200"});
    QFile image(firmwareDir.filePath(u"fw.img"_qs));
    ASSERT_TRUE(image.open(QIODevice::WriteOnly));
    image.write(QByteArray(64 * 1024, 'F'));
    image.close();
    // The agent right-clicked, not the node selected, is the target.
    tree()->setCurrentItem(tree()->FindAgent(kGw, kA));
    QTreeWidgetItem* node = tree()->FindAgent(kGw, kB);
    const QPoint at = tree()->visualItemRect(node).center();
    QTimer::singleShot(50, tree(), [this] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        frame->Action(ID_CTX_UPGRADE)->trigger();
        if (menu) menu->close();
    });
    QMouseEvent press(QEvent::MouseButtonPress, at, tree()->viewport()->mapToGlobal(at), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(tree()->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, tree()->viewport()->mapToGlobal(at), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(tree()->viewport(), &release);
    ASSERT_TRUE(waitUntil([&] { return qobject_cast<CZRUpgradeDlg*>(doc()->ModelessWnd()) != nullptr; }));
    auto* dlg = qobject_cast<CZRUpgradeDlg*>(doc()->ModelessWnd());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->Agents(0), QStringList{kB});
    EXPECT_EQ(dlg->Agents(1), (QStringList{kA, kC, kXpe}));
    EXPECT_EQ(dlg->GetLocalDirectory(), firmwareDir.path());
    dlg->SetUpgradeFile(image.fileName());

    // An upgrade already under way on the agent: refused, nothing recorded, the dialog stays.
    control()->GetAgent(kGw + u'|' + kB).StartUpgrade(1);
    dlg->accept();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(
        boxes[1].text.startsWith(u"One firmware file is upgrading right now. \nYou have to wait until it's "
                                 u"finished for next firmware upgrading."_qs));
    EXPECT_TRUE(boxes[1].text.endsWith(image.fileName()));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(transfersOn(kB), 0);

    control()->GetAgent(kGw + u'|' + kB).StartUpgrade(0);
    dlg->accept();
    ASSERT_TRUE(
        waitUntil([&] { return doc()->ModelessWnd() == nullptr || !doc()->ModelessWnd()->isVisible(); }));
    const CZRAgent& agent = control()->GetAgent(kGw + u'|' + kB);
    ASSERT_EQ(agent.GetTransferCount(-1), 1);
    EXPECT_EQ(agent.TransferAt(0, 0)->type, 1);
    EXPECT_EQ(agent.TransferAt(0, 0)->agentPath, u"firmware"_qs);
    // The image reaches the agent, which restarts with it.
    EXPECT_TRUE(waitUntil([&] { return control()->GetGateway(kGw).GetTransferCount() == 0; }, 60000))
        << gateway->stderrText();
}

TEST_F(TransferDialogs, AnAgentThatLeavesIsNoTargetAndAGatewayThatGoesClosesTheDialog)
{
    startWith({"--reboot-delay", "60000"});
    const QStringList checked = checkRows({0, 1});
    ASSERT_EQ(checked.size(), 2);
    auto* dlg = openedBy<CZRUpgradeDlg>(ID_UPGRADE);
    ASSERT_NE(dlg, nullptr);
    ASSERT_EQ(dlg->Agents(0), checked);

    // The first checked agent restarts: it leaves both the list and its box.
    ASSERT_NE(control()->SendRequest(20, QString(), kGw + u'|' + checked[0]), 0);
    ASSERT_TRUE(waitUntil([&] { return tree()->FindAgent(kGw, checked[0]) == nullptr; }, 20000));
    EXPECT_EQ(dlg->Agents(0), QStringList{checked[1]});
    EXPECT_EQ(dlg->ListBox(0)->count(), 1);
    EXPECT_FALSE(dlg->Agents(1).contains(checked[0]));
    EXPECT_EQ(dlg->Agents(1).size(), 2);

    // The gateway disconnected: nothing of the dialog could be carried out any more.
    QPointer<QWidget> open = dlg;
    tree()->setCurrentItem(tree()->FindGateway(kGw));
    frame->UpdateCommandUI();
    frame->Action(ID_DISCONNECT)->trigger();
    ASSERT_TRUE(waitUntil([&] { return open.isNull(); }, 10000));
    EXPECT_EQ(doc()->ModelessWnd(), nullptr);
}
