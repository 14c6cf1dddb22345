// The file manager inside the console against tarn-gateway: the page opened by its commands, folder
// operations through the document's send callback, downloads through the control core's records
// with their queue per gateway, refusals, cancelling, and the gateway's end.
#include "consoletest.h"
#include "gateway_process.h"
#include "resource.h"

#include <zrdialogs.h>
#include <zrfilemgrwnd.h>
#include <zrfmtypes.h>
#include <zrhistorycombo.h>
#include <zrqueuelist.h>
#include <zrrmtshelllistwnd.h>
#include <zrshelllistwnd.h>

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QRandomGenerator>

namespace {
const QString kGw = QStringLiteral("Site");
const QString kA = QStringLiteral("10.5.0.1");
const QString kB = QStringLiteral("10.5.0.2");

struct FileManagerConsole : ConsoleFixture
{
    FileManagerConsole()
    {
        CZRHistoryCombo::SetHistoryStore(dir.filePath(QStringLiteral("history.ini")));
        SetDialogHandler([this](QDialog* d) { return dialog ? dialog(d) : int(QDialog::Rejected); });
    }
    ~FileManagerConsole() override
    {
        frame.reset();
        gateway.reset();
        SetDialogHandler({});
        CZRHistoryCombo::SetHistoryStore(QString());
    }
    void startWith(const QString& remoteDir, std::vector<std::string> extra = {})
    {
        QDir().mkpath(root());
        const QString fleet = dir.filePath(QStringLiteral("fleet.txt"));
        QFile f(fleet);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("10.5.0.1 lx-01 model=TRN-200-LX\n10.5.0.2 lx-02 model=TRN-200-LX\n10.5.0.3 xpe-01 "
                "model=TRN-310-XPE\n");
        f.close();
        std::vector<std::string> args = {"--fleet", fleet.toStdString(), "--root", root().toStdString()};
        args.insert(args.end(), extra.begin(), extra.end());
        gateway = std::make_unique<tarntest::GatewayProcess>(args);
        ASSERT_TRUE(gateway->ok());
        start("[Gateway]\nCount=1\nName1=Site\nIP1=127.0.0.1\nPort1=" + QByteArray::number(gateway->port()) +
              "\n[File Upload]\nLocalDir=" + local.path().toUtf8() + "\nRemoteDir=" + remoteDir.toUtf8() +
              "\n");
        ASSERT_TRUE(doc()->ConnectGateway(kGw));
        QTreeWidgetItem* node = tree()->FindGateway(kGw);
        ASSERT_TRUE(waitUntil(
            [&] { return node->childCount() == 3 && !(CZRAgentTree::Param(node) & NODE_BUSY); }, 20000));
        ASSERT_TRUE(agentsDescribed(kGw));
    }
    CZRFileMgrWnd* fm() const { return frame->InfoView()->FileMgrWnd(); }
    CZRRmtShellListWnd* pane() const { return fm()->Remote(); }
    bool listed() const
    {
        return waitUntil([&] { return !pane()->IsBrowsing() && pane()->GetObjectCount() > 0; });
    }
    int row(const QString& name) const { return pane()->List()->Model()->Find(name, -1, false); }
    QString root() const { return dir.filePath(QStringLiteral("root")); }
    QString onAgent(const QString& agent, const QString& path) const { return root() + u'/' + agent + path; }
    QByteArray putFile(const QString& agent, const QString& path, int bytes)
    {
        QByteArray body(bytes, Qt::Uninitialized);
        for (char& ch : body)
            ch = char(QRandomGenerator::global()->bounded(256));
        QDir().mkpath(QFileInfo(onAgent(agent, path)).path());
        QFile f(onAgent(agent, path));
        f.open(QIODevice::WriteOnly);
        f.write(body);
        return body;
    }
    QByteArray localFile(const QString& name) const
    {
        QFile f(local.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void openFor(const QString& agent)
    {
        tree()->setCurrentItem(tree()->FindAgent(kGw, agent));
        frame->UpdateCommandUI();
        ASSERT_TRUE(frame->Action(ID_FILEMGR)->isEnabled());
        frame->Action(ID_FILEMGR)->trigger();
    }
    int imageOf(const QString& agent) const { return tree()->StateImage(tree()->FindAgent(kGw, agent)); }

    QTemporaryDir local;
    std::unique_ptr<tarntest::GatewayProcess> gateway;
    std::function<int(QDialog*)> dialog;
};

TEST_F(FileManagerConsole, OpensBrowsesMakesAFolderAndDownloadsInTurnPerGateway)
{
    startWith(QStringLiteral("/tmp"));
    const QByteArray first = putFile(kA, QStringLiteral("/tmp/first.bin"), 300 * 1024 + 3);
    const QByteArray second = putFile(kB, QStringLiteral("/tmp/second.bin"), 100 * 1024 + 1);
    putFile(kA, QStringLiteral("/tmp/third.bin"), 10);

    openFor(kA);
    EXPECT_EQ(frame->InfoView()->CurrentPage(), PAGE_FILEMGR);
    EXPECT_EQ(pane()->GetNick(), kGw + u'|' + kA);
    EXPECT_EQ(fm()->Local()->GetDirectoryPath(), local.path());
    ASSERT_TRUE(listed());
    EXPECT_EQ(pane()->GetCurrentDirectory(), QStringLiteral("/tmp"));
    ASSERT_GE(row(QStringLiteral("first.bin")), 0);

    // A folder through the input box, sent with the document's callback; it shows with the next listing.
    dialog = [](QDialog* d) {
        static_cast<CZRInputBox*>(d)->ValueEdit()->setText(QStringLiteral("made here"));
        return int(QDialog::Accepted);
    };
    pane()->AddFolder();
    ASSERT_TRUE(waitUntil([&] { return row(QStringLiteral("made here")) >= 0 && !pane()->IsBrowsing(); }));
    EXPECT_TRUE(QDir(onAgent(kA, QStringLiteral("/tmp/made here"))).exists());

    // Three downloads in one turn: the first goes out, the others wait for the gateway.
    pane()->List()->SelectRow(row(QStringLiteral("first.bin")));
    pane()->DownloadSelection();
    ASSERT_EQ(fm()->Queue()->GetTaskCount(), 1);
    EXPECT_EQ(fm()->Queue()->GetTask(0).status, 2);
    EXPECT_EQ(imageOf(kA), IMG_AGENT_TRANSFER);
    const QString keyB = kGw + u'|' + kB;
    EXPECT_EQ(doc()->StartDownload(keyB, local.filePath(QStringLiteral("second.bin")),
                                   QStringLiteral("/tmp/second.bin"), 0, 24),
              1);
    pane()->List()->SelectRow(row(QStringLiteral("third.bin")));
    pane()->DownloadSelection();
    ASSERT_EQ(fm()->Queue()->GetTaskCount(), 2); // the other agent's task is not this page's
    EXPECT_EQ(fm()->Queue()->GetTask(1).status, 1);

    // The same local target from another agent is refused by the console, nothing recorded.
    const size_t before = boxes.size();
    EXPECT_EQ(doc()->StartDownload(keyB, local.filePath(QStringLiteral("first.bin")),
                                   QStringLiteral("/tmp/first.bin"), 0, 24),
              0);
    ASSERT_EQ(boxes.size(), before + 1);
    EXPECT_EQ(boxes.back().text,
              QStringLiteral("This file is used by other program now. Please try again later."));
    EXPECT_EQ(boxes.back().caption, QStringLiteral("File Download"));
    EXPECT_EQ(control()->GetGateway(kGw).GetDownloadCount(), 3);

    // The waiting third one is taken back through the queue: it never starts.
    EXPECT_EQ(fm()->Queue()->RemoveWaiting(1), 1);
    EXPECT_EQ(fm()->Queue()->GetTaskCount(), 1);
    EXPECT_EQ(control()->GetGateway(kGw).GetDownloadCount(), 2);
    // The running one cannot be taken back.
    EXPECT_EQ(CTarnDoc::CancelTaskCB(2, local.filePath(QStringLiteral("first.bin")),
                                     QStringLiteral("/tmp/first.bin"), doc(), kGw + u'|' + kA),
              0);

    ASSERT_TRUE(waitUntil([&] { return control()->GetGateway(kGw).GetDownloadCount() == 0; }, 30000))
        << gateway->stderrText();
    EXPECT_EQ(localFile(QStringLiteral("first.bin")), first);
    EXPECT_EQ(localFile(QStringLiteral("second.bin")), second);
    EXPECT_FALSE(QFile::exists(local.filePath(QStringLiteral("third.bin"))));
    // The core's records empty before the console has handled the last notice.
    EXPECT_TRUE(waitUntil([&] {
        return fm()->Queue()->GetTaskCount() == 0 && imageOf(kA) == IMG_AGENT && imageOf(kB) == IMG_AGENT;
    }));
    // The local pane shows what arrived.
    ASSERT_TRUE(
        waitUntil([&] { return fm()->Local()->List()->Model()->Find(QStringLiteral("second.bin")) >= 0; }));
    EXPECT_EQ(boxes.size(), before + 1) << boxes.back().text.toStdString();
}

TEST_F(FileManagerConsole, AnotherAgentFromTheTreeAWrongStartFolderAndTheGatewaysEnd)
{
    startWith(QStringLiteral("/nowhere"));
    QDir().mkpath(onAgent(kB, QStringLiteral("/tmp")));
    openFor(kA);
    // The start folder is missing: the message, then the parent.
    ASSERT_TRUE(waitUntil([&] { return !pane()->IsBrowsing() && pane()->GetCurrentDirectory() == u"/"_qs; }));
    ASSERT_TRUE(listed());
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(boxes.front().text,
              QStringLiteral("Invalid remote directory.\nPlease specify the drive (ex: C:\\)."));
    pane()->Browse(QStringLiteral("/tmp"));
    ASSERT_TRUE(waitUntil([&] { return !pane()->IsBrowsing(); }));

    // With the page shown, choosing another agent in the tree opens it in the file manager; the
    // first agent's folder is kept for its next visit.
    tree()->setCurrentItem(tree()->FindAgent(kGw, kB));
    EXPECT_EQ(frame->InfoView()->CurrentPage(), PAGE_FILEMGR);
    EXPECT_EQ(pane()->GetNick(), kGw + u'|' + kB);
    ASSERT_TRUE(listed());
    EXPECT_EQ(pane()->GetCurrentDirectory(), QStringLiteral("/"));
    tree()->setCurrentItem(tree()->FindAgent(kGw, kA));
    ASSERT_TRUE(listed());
    EXPECT_EQ(pane()->GetCurrentDirectory(), QStringLiteral("/tmp"));

    // A waiting download, then the gateway goes: pane and queue are emptied, no record stays.
    putFile(kA, QStringLiteral("/tmp/big.bin"), 1000);
    putFile(kA, QStringLiteral("/tmp/small.bin"), 10);
    pane()->Refresh();
    ASSERT_TRUE(waitUntil([&] { return row(QStringLiteral("small.bin")) >= 0 && !pane()->IsBrowsing(); }));
    pane()->List()->SelectRow(row(QStringLiteral("big.bin")));
    pane()->List()->SelectRow(row(QStringLiteral("small.bin")), true);
    pane()->DownloadSelection();
    EXPECT_EQ(fm()->Queue()->GetTaskCount(), 2);
    control()->BreakConnection(kGw);
    EXPECT_EQ(pane()->GetObjectCount(), 0);
    EXPECT_EQ(fm()->Queue()->GetTaskCount(), 0);

    // Back on line, a download starts at once: nothing of the old queue holds the gateway.
    ASSERT_TRUE(doc()->ConnectGateway(kGw));
    ASSERT_TRUE(waitUntil([&] { return tree()->FindAgent(kGw, kA) != nullptr; }, 20000));
    EXPECT_EQ(doc()->StartDownload(kGw + u'|' + kA, local.filePath(QStringLiteral("small.bin")),
                                   QStringLiteral("/tmp/small.bin"), 0, 24),
              2);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(local.filePath(QStringLiteral("small.bin"))); }, 30000));
}
TEST_F(FileManagerConsole, UploadsFromTheLocalPaneGoOneAtATimeAndRefusalsRecordNothing)
{
    startWith(QStringLiteral("/tmp"));
    QByteArray one(150 * 1024 + 5, Qt::Uninitialized), two(70 * 1024 + 9, Qt::Uninitialized);
    for (QByteArray* body : {&one, &two})
        for (char& ch : *body)
            ch = char(QRandomGenerator::global()->bounded(256));
    for (const auto& [name, body] : {std::pair{u"one.bin"_qs, &one}, std::pair{u"two.bin"_qs, &two}}) {
        QFile f(local.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(*body);
    }
    openFor(kA);
    ASSERT_TRUE(listed());
    fm()->Local()->Refresh();
    CZRLocalModel* files = fm()->Local()->List()->Model();
    ASSERT_GE(files->Find(u"two.bin"_qs), 0);
    fm()->Local()->List()->SelectRow(files->Find(u"one.bin"_qs));
    fm()->Local()->List()->SelectRow(files->Find(u"two.bin"_qs), true);
    fm()->Local()->UploadSelection();
    // One file travels to the gateway at a time; the other waits in the queue.
    ASSERT_EQ(fm()->Queue()->GetTaskCount(), 2);
    EXPECT_EQ(fm()->Queue()->GetTask(0).status + fm()->Queue()->GetTask(1).status, 3);
    EXPECT_EQ(imageOf(kA), IMG_AGENT_TRANSFER);

    ASSERT_TRUE(waitUntil([&] { return control()->GetGateway(kGw).GetTransferCount() == 0; }, 30000))
        << gateway->stderrText();
    for (const auto& [name, body] : {std::pair{u"/one.bin"_qs, &one}, std::pair{u"/two.bin"_qs, &two}}) {
        QFile got(onAgent(kA, u"/tmp"_qs + name));
        ASSERT_TRUE(got.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(got.readAll(), *body);
    }
    // The core's records empty before the console has handled the last notice.
    EXPECT_TRUE(waitUntil([&] { return fm()->Queue()->GetTaskCount() == 0 && imageOf(kA) == IMG_AGENT; }));
    // The remote folder shows what arrived.
    ASSERT_TRUE(waitUntil([&] { return row(u"two.bin"_qs) >= 0 && !pane()->IsBrowsing(); }));

    // An agent of OS type 2 needs a drive; a file being downloaded is no upload source.
    const QString xpe = kGw + u"|10.5.0.3"_qs;
    ASSERT_TRUE(waitUntil([&] { return control()->GetAgent(xpe).GetOSType(1) == 2; }));
    const size_t before = boxes.size();
    EXPECT_EQ(doc()->StartUpload(xpe, 0, local.filePath(u"one.bin"_qs), u"\\Temp\\one.bin"_qs, 5, 21), 0);
    ASSERT_EQ(boxes.size(), before + 1);
    EXPECT_EQ(boxes.back().text,
              QStringLiteral("Invalid remote directory.\nPlease specify the drive (ex: C:\\)."));
    EXPECT_EQ(boxes.back().caption, QStringLiteral("Upload Files"));
    putFile(kB, u"/tmp/three.bin"_qs, 50 * 1024);
    ASSERT_EQ(
        doc()->StartDownload(kGw + u'|' + kB, local.filePath(u"three.bin"_qs), u"/tmp/three.bin"_qs, 0, 24),
        2);
    EXPECT_EQ(
        doc()->StartUpload(kGw + u'|' + kA, 0, local.filePath(u"three.bin"_qs), u"/tmp/three.bin"_qs, 0, 21),
        0);
    ASSERT_EQ(boxes.size(), before + 2);
    EXPECT_EQ(boxes.back().text,
              QStringLiteral("This file is used by other program now. Please try again later."));
    EXPECT_EQ(control()->GetAgent(kGw + u'|' + kA).GetTransferCount(-1), 0);
    EXPECT_EQ(control()->GetAgent(xpe).GetTransferCount(-1), 0);
    ASSERT_TRUE(waitUntil([&] { return control()->GetGateway(kGw).GetTransferCount() == 0; }, 30000));
}
TEST_F(FileManagerConsole, AQueuedDownloadAsksAgainWhenItsTargetAppearedMeanwhile)
{
    startWith(QStringLiteral("/tmp"));
    putFile(kA, u"/tmp/first.bin"_qs, 20 * 1024);
    putFile(kB, u"/tmp/late.bin"_qs, 20 * 1024);
    const QString keyA = kGw + u'|' + kA, keyB = kGw + u'|' + kB;
    ASSERT_EQ(doc()->StartDownload(keyA, local.filePath(u"first.bin"_qs), u"/tmp/first.bin"_qs, 0, 24), 2);
    ASSERT_EQ(doc()->StartDownload(keyB, local.filePath(u"late.bin"_qs), u"/tmp/late.bin"_qs, 0, 24), 1);
    // The operator's own file turns up at the waiting target; asked when its turn comes, Cancel keeps it.
    {
        QFile mine(local.filePath(u"late.bin"_qs));
        ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
        mine.write("mine");
    }
    answer = [](const MessageRecord&) { return IDCANCEL; };
    ASSERT_TRUE(waitUntil([&] { return control()->GetGateway(kGw).GetTransferCount() == 0; }, 30000));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes.back().text,
              QStringLiteral("The target file already exists. Are you sure you want to overwrite it?"));
    EXPECT_EQ(localFile(u"late.bin"_qs), QByteArray("mine"));
    EXPECT_EQ(control()->GetAgent(keyB).GetTransferCount(-1), 0);
    EXPECT_EQ(imageOf(kB), IMG_AGENT);
    // The gateway is free again: the next download goes out at once.
    EXPECT_EQ(doc()->StartDownload(keyB, local.filePath(u"other.bin"_qs), u"/tmp/late.bin"_qs, 0, 24), 2);
    ASSERT_TRUE(waitUntil([&] { return control()->GetGateway(kGw).GetTransferCount() == 0; }, 30000));
    EXPECT_EQ(localFile(u"other.bin"_qs).size(), 20 * 1024);
}
TEST_F(FileManagerConsole, AnAgentLeavingMidDownloadFreesTheGatewayForTheNextOne)
{
    startWith(QStringLiteral("/tmp"));
    putFile(kA, u"/tmp/big.bin"_qs, 8 * 1024 * 1024);
    const QByteArray waiting = putFile(kB, u"/tmp/waiting.bin"_qs, 30 * 1024);
    openFor(kA);
    ASSERT_TRUE(listed());
    const QString keyA = kGw + u'|' + kA, keyB = kGw + u'|' + kB;
    ASSERT_EQ(doc()->StartDownload(keyA, local.filePath(u"big.bin"_qs), u"/tmp/big.bin"_qs, 0, 24), 2);
    ASSERT_EQ(doc()->StartDownload(keyB, local.filePath(u"waiting.bin"_qs), u"/tmp/waiting.bin"_qs, 0, 24),
              1);
    // The big file's agent reboots while its file is still coming.
    ASSERT_NE(control()->SendRequest(20, QString(), keyA), 0);
    ASSERT_TRUE(waitUntil([&] { return tree()->FindAgent(kGw, kA) == nullptr; }, 20000));
    // Nothing of it stays on the page, whichever node the tree moved on to.
    EXPECT_FALSE(doc()->FileMgrShows(keyA));
    for (int i = 0; i < fm()->Queue()->GetTaskCount(); ++i)
        EXPECT_NE(fm()->Queue()->GetTask(i).remotePath, u"/tmp/big.bin"_qs);
    ASSERT_TRUE(waitUntil([&] { return localFile(u"waiting.bin"_qs) == waiting; }, 30000))
        << "the waiting download never started";
}
TEST_F(FileManagerConsole, AWaitingUploadTakenOutOfTheQueueNeverStarts)
{
    startWith(QStringLiteral("/tmp"));
    for (const QString& name : {u"go.bin"_qs, u"stay.bin"_qs}) {
        QFile f(local.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(40 * 1024, 'x'));
    }
    openFor(kA);
    ASSERT_TRUE(listed());
    const QString keyA = kGw + u'|' + kA;
    ASSERT_EQ(doc()->StartUpload(keyA, 0, local.filePath(u"go.bin"_qs), u"/tmp/go.bin"_qs, 40 * 1024, 21), 2);
    ASSERT_EQ(doc()->StartUpload(keyA, 0, local.filePath(u"stay.bin"_qs), u"/tmp/stay.bin"_qs, 40 * 1024, 21),
              1);
    ASSERT_EQ(fm()->Queue()->GetTaskCount(), 2);
    // The one on its way stays; the waiting one goes with its records.
    EXPECT_EQ(CTarnDoc::CancelTaskCB(0, local.filePath(u"go.bin"_qs), u"/tmp/go.bin"_qs, doc(), keyA), 0);
    EXPECT_EQ(fm()->Queue()->RemoveWaiting(1), 1);
    EXPECT_EQ(fm()->Queue()->GetTaskCount(), 1);
    EXPECT_EQ(control()->GetGateway(kGw).GetUploadCount(-2), 1);
    ASSERT_TRUE(waitUntil([&] { return control()->GetGateway(kGw).GetTransferCount() == 0; }, 30000));
    EXPECT_TRUE(QFile::exists(onAgent(kA, u"/tmp/go.bin"_qs)));
    pump(300);
    EXPECT_FALSE(QFile::exists(onAgent(kA, u"/tmp/stay.bin"_qs)));
    EXPECT_EQ(imageOf(kA), IMG_AGENT);
}
} // namespace
