// The local pane on a scratch folder: its rows, downloads into it, uploads from it, deleting to the
// trash and opening without running.
#include "fmtest.h"
#include "resource.h"
#include "resources.h"
#include "zrhistorycombo.h"
#include "zrqueuelist.h"
#include "zrremotemodel.h"
#include "zrrmtshelllistwnd.h"
#include "zrshelllistwnd.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

const QString kKey = QStringLiteral("site|10.0.0.1");

class LocalPane : public ::testing::Test
{
protected:
    LocalPane()
    {
        CZRHistoryCombo::SetHistoryStore(scratch.filePath(QStringLiteral("h.ini")));
        QDir(scratch.path()).mkpath(QStringLiteral("work/sub"));
        root = scratch.filePath(QStringLiteral("work"));
        write(QStringLiteral("a.txt"), "old contents");
        pane.SetQueueList(&queue);
        pane.SetRmtShellHWnd(&remote);
        pane.SetRequestAction(&FakeConsole::Transfer, &console);
        pane.SetRequestParam(24);
        pane.SetNick(kKey);
        remote.SetQueueList(&queue);
        remote.SetLocalShellHWnd(&pane);
        remote.SetNick(kKey);
        remote.SetRequestAction(&FakeConsole::Request, &FakeConsole::Transfer, &console);
        remote.SetRequestParam(25, 29, 31, 27, 30, 26, 28, 21);
        pane.Init(root);
    }
    ~LocalPane() override
    {
        CZRHistoryCombo::SetHistoryStore(QString());
        SetOpenHandler({});
    }
    QString write(const QString& name, const QByteArray& body, QFile::Permissions extra = {})
    {
        QFile f(QDir(root).filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(body);
        f.close();
        if (extra) f.setPermissions(f.permissions() | extra);
        return f.fileName();
    }
    int download(const QString& remotePath)
    {
        _TransferRequest r;
        r.kind = 2;
        r.localPath = remotePath.section(QLatin1Char('/'), -1);
        r.remotePath = remotePath;
        return pane.DownloadRequest(r);
    }
    int row(const QString& name) { return pane.List()->Model()->Find(name); }

    QTemporaryDir scratch;
    QString root;
    Answering answers;
    FakeConsole console;
    CZRQueueList queue;
    CZRRmtShellListWnd remote;
    CZRShellListWnd pane;
};

TEST_F(LocalPane, ListsTheFolderWithItsParentFirst)
{
    EXPECT_EQ(pane.GetDirectoryPath(), root);
    auto* m = pane.List()->Model();
    ASSERT_GE(m->rowCount(), 3);
    EXPECT_EQ(m->NameAt(0), QStringLiteral(".."));
    EXPECT_EQ(m->NameAt(1), QStringLiteral("sub")); // folders before files
    EXPECT_EQ(m->data(m->index(row(QStringLiteral("a.txt")), 1), Qt::DisplayRole).toString(),
              QStringLiteral("1 KB"));
    EXPECT_FALSE(
        m->data(m->index(row(QStringLiteral("a.txt")), 0), Qt::DecorationRole).value<QIcon>().isNull());

    // A folder that cannot be listed leaves the pane where it was.
    EXPECT_EQ(pane.Browse(root + QStringLiteral("/nowhere")), 0);
    EXPECT_EQ(pane.GetDirectoryPath(), root);
    EXPECT_EQ(pane.Combo()->GetCurrentText(), root);

    pane.OpenEntry(row(QStringLiteral("sub")));
    EXPECT_EQ(pane.GetDirectoryPath(), root + QStringLiteral("/sub"));
    pane.OpenParent();
    EXPECT_EQ(pane.GetDirectoryPath(), root);
    QDir rootDir(QStringLiteral("/"));
    pane.Browse(rootDir.path());
    EXPECT_NE(pane.List()->Model()->NameAt(0), QStringLiteral("..")); // nothing above the root
}

TEST_F(LocalPane, DownloadsAskBeforeOverwritingAndRefuseTargetsInUse)
{
    EXPECT_EQ(download(QStringLiteral("/etc/new.conf")), 1);
    ASSERT_EQ(console.transfers.size(), 1u);
    EXPECT_EQ(console.transfers[0].number, 24);
    EXPECT_EQ(console.transfers[0].transfer.kind, 2);
    EXPECT_EQ(console.transfers[0].transfer.localPath, QDir(root).filePath(QStringLiteral("new.conf")));
    EXPECT_TRUE(answers.boxes.empty());

    answers.boxAnswer = IDCANCEL;
    EXPECT_EQ(download(QStringLiteral("/etc/a.txt")), 0);
    EXPECT_EQ(answers.boxes.back().caption, QStringLiteral("File Download"));
    EXPECT_EQ(answers.boxes.back().text,
              QStringLiteral("The target file already exists. Are you sure you want to overwrite it?"));
    EXPECT_EQ(console.transfers.size(), 1u);

    // A folder is never a target; a target another download uses is refused.
    EXPECT_EQ(download(QStringLiteral("/x/sub")), 0);
    queue.AddTask(1, 2, QDir(root).filePath(QStringLiteral("taken.bin")), QStringLiteral("/y/taken.bin"));
    EXPECT_EQ(download(QStringLiteral("/z/taken.bin")), 0);
    EXPECT_EQ(answers.boxes.back().text, LoadResString(IDS_FILE_IN_USE));
    EXPECT_EQ(download(QStringLiteral("noseparator")), 0);
    EXPECT_EQ(console.transfers.size(), 1u);
}

TEST_F(LocalPane, AQueuedDownloadAsksAgainWhenItsTargetAppearedMeanwhile)
{
    const QString target = QDir(root).filePath(QStringLiteral("later.bin"));
    EXPECT_EQ(download(QStringLiteral("/r/later.bin")), 1);
    EXPECT_TRUE(pane.ConfirmDownloadStart(target)); // still absent: no question
    EXPECT_TRUE(answers.boxes.empty());

    EXPECT_EQ(download(QStringLiteral("/r/later.bin")), 1);
    write(QStringLiteral("later.bin"), "someone else's");
    answers.boxAnswer = IDCANCEL;
    EXPECT_FALSE(pane.ConfirmDownloadStart(target));
    EXPECT_EQ(answers.boxes.size(), 1u);

    // Confirmed at queue time: not asked again.
    answers.boxAnswer = IDOK;
    EXPECT_EQ(download(QStringLiteral("/r/later.bin")), 1);
    EXPECT_TRUE(pane.ConfirmDownloadStart(target));
    EXPECT_EQ(answers.boxes.size(), 2u);
}

TEST_F(LocalPane, UploadOfAFileBeingDownloadedIsRefused)
{
    remote.Init(QStringLiteral("/tmp"));
    remote.OnListing(kKey, false, 0, QString(), 0, QString(), 0);
    queue.AddTask(2, 2, QDir(root).filePath(QStringLiteral("a.txt")), QStringLiteral("/r/a.txt"));
    pane.List()->SelectRow(row(QStringLiteral("a.txt")));
    pane.UploadSelection();
    EXPECT_EQ(answers.boxes.back().text, QStringLiteral("Simultaneous upload/download is prohibited."));
    EXPECT_EQ(answers.boxes.back().caption, QStringLiteral("File Upload"));
    EXPECT_TRUE(console.transfers.empty());

    queue.RemoveAllTasks();
    pane.UploadSelection();
    ASSERT_EQ(console.transfers.size(), 1u);
    EXPECT_EQ(console.transfers[0].transfer.remotePath, QStringLiteral("/tmp/a.txt"));
    EXPECT_EQ(console.transfers[0].transfer.size, 12u);
}

TEST_F(LocalPane, DeleteMovesToTheTrashAfterAskingAndOpeningNeverRuns)
{
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", scratch.filePath(QStringLiteral("data")).toUtf8());
    struct Restore
    {
        QByteArray data;
        ~Restore()
        {
            if (data.isEmpty())
                qunsetenv("XDG_DATA_HOME");
            else
                qputenv("XDG_DATA_HOME", data);
        }
    } restore{data};
    const QString doomed = write(QStringLiteral("doomed.txt"), "x");
    pane.List()->Refresh();
    pane.List()->SelectRow(row(QStringLiteral("doomed.txt")));
    answers.boxAnswer = IDCANCEL;
    pane.DeleteSelection();
    EXPECT_TRUE(QFile::exists(doomed));
    answers.boxAnswer = IDOK;
    pane.DeleteSelection();
    EXPECT_FALSE(QFile::exists(doomed));
    EXPECT_EQ(row(QStringLiteral("doomed.txt")), -1);
    EXPECT_TRUE(QFile::exists(scratch.filePath(QStringLiteral("data/Trash/files/doomed.txt"))));
    EXPECT_TRUE(QFile::exists(scratch.filePath(QStringLiteral("data/Trash/info/doomed.txt.trashinfo"))));

    std::vector<QUrl> opened;
    SetOpenHandler([&opened](const QUrl& u) {
        opened.push_back(u);
        return true;
    });
    const QString script = write(QStringLiteral("run.sh"), "#!/bin/sh\ntouch ran\n", QFile::ExeOwner);
    pane.List()->Refresh();
    pane.OpenEntry(row(QStringLiteral("run.sh")));
    EXPECT_TRUE(opened.empty());
    pane.OpenEntry(row(QStringLiteral("a.txt")));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QDir(root).filePath(QStringLiteral("a.txt"))));
}

TEST_F(LocalPane, AddFolderAndRename)
{
    QDir(root).mkdir(QStringLiteral("New Folder"));
    pane.List()->Refresh();
    pane.AddFolder();
    EXPECT_TRUE(QDir(root).exists(QStringLiteral("New Folder (2)")));
    EXPECT_TRUE(pane.RenameEntry(row(QStringLiteral("New Folder (2)")), QStringLiteral("Reports")));
    EXPECT_TRUE(QDir(root).exists(QStringLiteral("Reports")));
    EXPECT_FALSE(pane.RenameEntry(row(QStringLiteral("Reports")), QStringLiteral("a/b")));
    EXPECT_FALSE(pane.RenameEntry(row(QStringLiteral("Reports")), QStringLiteral("a.txt"))); // taken
    EXPECT_TRUE(QDir(root).exists(QStringLiteral("Reports")));
}

} // namespace

namespace {

// A drag that enters the list and is dropped on it, as the window system delivers it.
bool dropOn(QAbstractItemView* view, QMimeData* mime)
{
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

} // namespace

TEST_F(LocalPane, RemoteFilesDroppedHereAreDownloadsAndLocalFilesDroppedThereAreUploads)
{
    pane.resize(400, 300);
    remote.resize(400, 300);
    remote.Init(QStringLiteral("/srv"));
    remote.OnListing(kKey, false, 0, QString(), 0, QString(), 0);

    QMimeData fromRemote;
    fromRemote.setData(QString::fromLatin1(CZRRemoteModel::kMime), "/srv/a.log\n/srv/b.log");
    EXPECT_TRUE(dropOn(pane.List(), &fromRemote));
    ASSERT_EQ(console.transfers.size(), 2u);
    EXPECT_EQ(console.transfers[0].number, 24);
    EXPECT_EQ(console.transfers[1].transfer.remotePath, QStringLiteral("/srv/b.log"));
    EXPECT_EQ(console.transfers[1].transfer.localPath, QDir(root).filePath(QStringLiteral("b.log")));

    // Plain file URLs mean nothing to the local list, and remote rows nothing to the remote one.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QDir(root).filePath(QStringLiteral("a.txt")))});
    EXPECT_FALSE(dropOn(pane.List(), &files));
    EXPECT_FALSE(dropOn(remote.List(), &fromRemote));
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.invalid/x"))});
    EXPECT_FALSE(dropOn(remote.List(), &web));
    EXPECT_EQ(console.transfers.size(), 2u);

    EXPECT_TRUE(dropOn(remote.List(), &files));
    ASSERT_EQ(console.transfers.size(), 3u);
    EXPECT_EQ(console.transfers[2].number, 21);
    EXPECT_EQ(console.transfers[2].transfer.remotePath, QStringLiteral("/srv/a.txt"));
}

TEST_F(LocalPane, KeysOpenGoUpAndSelectAll)
{
    pane.resize(400, 300);
    pane.List()->setFocus();
    pane.List()->SelectRow(row(QStringLiteral("sub")));
    QTest::keyClick(pane.List(), Qt::Key_Return);
    EXPECT_EQ(pane.GetDirectoryPath(), root + QStringLiteral("/sub"));
    QTest::keyClick(pane.List(), Qt::Key_Backspace);
    EXPECT_EQ(pane.GetDirectoryPath(), root);
    QTest::keyClick(pane.List(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(pane.List()->SelectedRows().size(), pane.List()->Model()->rowCount());

    // F5 shows what appeared meanwhile.
    write(QStringLiteral("fresh.txt"), "new");
    EXPECT_EQ(row(QStringLiteral("fresh.txt")), -1);
    QTest::keyClick(pane.List(), Qt::Key_F5);
    EXPECT_GE(row(QStringLiteral("fresh.txt")), 0);
}
