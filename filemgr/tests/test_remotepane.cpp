// The remote pane against a recording console: requests and their arguments, listings, the
// checks before each operation, and the listing state across agents and failures.
#include "fmtest.h"
#include "resource.h"
#include "resources.h"
#include "zrdialogs.h"
#include "zrhistorycombo.h"
#include "zrqueuelist.h"
#include "zrrmtshelllistwnd.h"
#include "zrshelllistwnd.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kKey = QStringLiteral("site|10.0.0.1");
const QString kOther = QStringLiteral("site|10.0.0.2");
enum {
    Browse = 25,
    AddDir = 29,
    Execute = 31,
    Delete = 27,
    DelDir = 30,
    Rename = 26,
    ChgMode = 28,
    Upload = 21
};

struct Row
{
    int kind;
    const char* name;
    quint64 size = 0;
    int mode = 644;
};

class RemotePane : public ::testing::Test
{
protected:
    RemotePane()
    {
        CZRHistoryCombo::SetHistoryStore(dir.filePath(QStringLiteral("h.ini")));
        pane.SetQueueList(&queue);
        pane.SetLocalShellHWnd(&local);
        local.SetQueueList(&queue);
        local.SetRmtShellHWnd(&pane);
        local.SetRequestAction(&FakeConsole::Transfer, &console);
        local.SetRequestParam(24);
        local.SetNick(kKey);
        local.Browse(dir.path());
        connect(kKey, 0);
        pane.resize(400, 300);
    }
    ~RemotePane() override { CZRHistoryCombo::SetHistoryStore(QString()); }

    void connect(const QString& key, int os)
    {
        pane.SetNick(key);
        pane.Reset();
        pane.SetOSType(os);
        pane.SetRequestAction(&FakeConsole::Request, &FakeConsole::Transfer, &console);
        pane.SetRequestParam(Browse, AddDir, Execute, Delete, DelDir, Rename, ChgMode, Upload);
    }
    // Lists dir with rows; returns the browse argument sent.
    QString list(const QString& dir, std::initializer_list<Row> rows, const QString& key = kKey)
    {
        const size_t before = console.sent.size();
        pane.Init(dir);
        feed(rows, key);
        return console.sent.size() > before ? console.sent[before].argument : QString();
    }
    void feed(std::initializer_list<Row> rows, const QString& key = kKey, bool end = true)
    {
        for (const Row& r : rows)
            pane.OnListing(key, false, r.kind, QString::fromUtf8(r.name), r.size,
                           QStringLiteral("2026-01-01 10:00"), r.mode);
        if (end) pane.OnListing(key, false, 0, QString(), 0, QString(), 0);
    }
    QStringList names()
    {
        QStringList out;
        for (int i = 0; i < pane.GetObjectCount(); ++i)
            out << pane.List()->Model()->At(i).name;
        return out;
    }
    int row(const char* name) { return pane.List()->Model()->Find(QString::fromUtf8(name), -1, false); }

    QTemporaryDir dir;
    Answering answers;
    FakeConsole console;
    CZRQueueList queue;
    CZRShellListWnd local;
    CZRRmtShellListWnd pane;
};

TEST_F(RemotePane, BrowsePathsAreQuotedAndWrittenWithTheAgentsSeparators)
{
    EXPECT_EQ(list(QStringLiteral("\\usr\\lib\\"), {}), QStringLiteral("\"/usr/lib\""));
    ASSERT_EQ(console.sent.back().number, Browse);
    EXPECT_EQ(console.sent.back().key, kKey);

    connect(kKey, 1);
    EXPECT_EQ(list(QStringLiteral("/Storage Card"), {}), QStringLiteral("\"\\Storage Card\""));
    EXPECT_EQ(pane.GetCurrentDirectory(), QStringLiteral("\\Storage Card"));
    EXPECT_EQ(pane.Combo()->GetCurrentText(), QStringLiteral("\\Storage Card"));

    // A directory with a double quote cannot travel: refused, nothing sent.
    const size_t before = console.sent.size();
    EXPECT_EQ(pane.Browse(QStringLiteral("\\a\"b")), 0);
    EXPECT_EQ(console.sent.size(), before);
    EXPECT_EQ(answers.boxes.back().text, fmtext_quote());
}

TEST_F(RemotePane, ListingRowsRules)
{
    list(QStringLiteral("/"), {{0, "etc"}, {1, "a.txt", 1536}});
    EXPECT_EQ(names(), (QStringList{QStringLiteral("etc"), QStringLiteral("a.txt")})); // no ".." at the root

    list(QStringLiteral("/home"), {{1, "zero", 0},
                                   {1, "big", 5000000000ull},
                                   {0, "dir"},
                                   {1, "zero", 7}, // same name and type: not again
                                   {1, "."},
                                   {0, ".."},
                                   {1, "x/y"},
                                   {1, "q\"uote"},
                                   {1, "ctl\x01"}, // dropped
                                   {1, "has space", 1}});
    EXPECT_EQ(names(), (QStringList{QStringLiteral(".."), QStringLiteral("dir"), QStringLiteral("big"),
                                    QStringLiteral("has space"), QStringLiteral("zero")}));
    auto* m = pane.List()->Model();
    EXPECT_EQ(m->data(m->index(row("zero"), 1), Qt::DisplayRole).toString(), QStringLiteral("1 KB"));
    EXPECT_EQ(m->data(m->index(row("big"), 1), Qt::DisplayRole).toString(), QStringLiteral("4882813 KB"));
    EXPECT_EQ(m->data(m->index(row("dir"), 1), Qt::DisplayRole).toString(), QString());
    EXPECT_EQ(m->At(row("big")).size, 5000000000ull);

    // Outside a listing nothing is added.
    EXPECT_EQ(pane.AddFile(1, 644, 1, QStringLiteral("late"), QString()), 0);
    EXPECT_EQ(row("late"), -1);

    // Windows-type agents: folders and programs are 777.
    connect(kKey, 2);
    list(QStringLiteral("C:\\HMI"), {{0, "sub", 0, 0}, {1, "HMI.EXE", 10, 0}, {1, "start.bat", 10, 0}});
    EXPECT_EQ(m->At(row("sub")).mode, 777);
    EXPECT_EQ(m->At(row("HMI.EXE")).mode, 777);
    EXPECT_EQ(m->At(row("start.bat")).mode, 0);
}

TEST_F(RemotePane, NewFolderNameSkipsFoldersOnly)
{
    list(QStringLiteral("/tmp"), {{0, "New Folder"}, {0, "New Folder (2)"}, {1, "New Folder (3)"}});
    EXPECT_EQ(pane.ProposeFolderName(), QStringLiteral("New Folder (3)"));

    answers.dialog = [](QDialog* d) {
        auto* box = static_cast<CZRInputBox*>(d);
        EXPECT_EQ(box->ValueEdit()->text(), QStringLiteral("New Folder (3)"));
        box->ValueEdit()->setText(QStringLiteral("  made here"));
        return int(QDialog::Accepted);
    };
    pane.AddFolder();
    ASSERT_EQ(console.withNumber(AddDir).size(), 1u);
    EXPECT_EQ(console.withNumber(AddDir)[0].argument, QStringLiteral("\"/tmp\" \"made here\""));

    answers.dialog = [](QDialog* d) {
        static_cast<CZRInputBox*>(d)->ValueEdit()->setText(QStringLiteral("bad|name"));
        return int(QDialog::Accepted);
    };
    pane.AddFolder();
    EXPECT_EQ(console.withNumber(AddDir).size(), 1u);
    EXPECT_EQ(answers.boxes.back().caption, QStringLiteral("Add Folder"));
    EXPECT_EQ(answers.boxes.back().text, LoadResString(IDS_INVALID_NAME));
}

TEST_F(RemotePane, RenameSendsDirectoryOldAndNewOnlyWhenTheNameIsGood)
{
    list(QStringLiteral("/opt/my app"), {{1, "a.txt"}, {1, "b.txt"}});
    EXPECT_FALSE(pane.RenameEntry(row("a.txt"), QStringLiteral("what?")));
    EXPECT_EQ(answers.boxes.back().caption, QStringLiteral("Rename"));
    EXPECT_FALSE(pane.RenameEntry(row("a.txt"), QStringLiteral("b.txt"))); // another row's name: quietly no
    EXPECT_FALSE(pane.RenameEntry(row("a.txt"), QStringLiteral("   ")));
    EXPECT_EQ(console.withNumber(Rename).size(), 0u);
    EXPECT_EQ(answers.boxes.size(), 1u);

    EXPECT_TRUE(pane.RenameEntry(row("a.txt"), QStringLiteral("  c.txt")));
    ASSERT_EQ(console.withNumber(Rename).size(), 1u);
    EXPECT_EQ(console.withNumber(Rename)[0].argument, QStringLiteral("\"/opt/my app\" \"a.txt\" \"c.txt\""));
    EXPECT_NE(row("c.txt"), -1);

    console.answer = 0; // not sent: the old name stays
    EXPECT_FALSE(pane.RenameEntry(row("c.txt"), QStringLiteral("d.txt")));
    EXPECT_NE(row("c.txt"), -1);

    // F2 opens the label editor; what it commits goes the same way.
    console.answer = 1;
    pane.show();
    pane.List()->setFocus();
    pane.List()->SelectRow(row("c.txt"));
    QTest::keyClick(pane.List(), Qt::Key_F2);
    EXPECT_NE(pane.List()->viewport()->findChild<QLineEdit*>(), nullptr); // the label editor
    auto* m = pane.List()->Model();
    EXPECT_TRUE(m->setData(m->index(row("c.txt"), 0), QStringLiteral("e.txt"), Qt::EditRole));
    EXPECT_EQ(console.withNumber(Rename).back().argument,
              QStringLiteral("\"/opt/my app\" \"c.txt\" \"e.txt\""));
}

TEST_F(RemotePane, FilesHeldByTheQueueAreRefused)
{
    list(QStringLiteral("/data"), {{1, "up.bin"}, {1, "down.bin"}, {1, "free.bin", 5, 755}});
    queue.AddTask(1, 0, QStringLiteral("/l/up.bin"), QStringLiteral("/data//up.bin"));
    queue.AddTask(2, 2, QStringLiteral("/l/down.bin"), QStringLiteral("/data/down.bin"));
    const QString inUse = LoadResString(IDS_FILE_IN_USE);

    EXPECT_FALSE(pane.BeginRename(row("up.bin")));
    EXPECT_EQ(answers.boxes.back().text, inUse);
    EXPECT_EQ(answers.boxes.back().caption, QStringLiteral("Rename"));

    pane.List()->SelectRow(row("down.bin"));
    pane.List()->SelectRow(row("free.bin"), true);
    pane.DeleteSelection(); // down.bin refused, free.bin asked for and deleted
    EXPECT_EQ(answers.boxes[answers.boxes.size() - 2].caption, QStringLiteral("Delete"));
    EXPECT_EQ(answers.boxes.back().text,
              QStringLiteral("Are you sure you want to delete the selected files and/or directories?"));
    ASSERT_EQ(console.withNumber(Delete).size(), 1u);
    EXPECT_EQ(console.withNumber(Delete)[0].argument, QStringLiteral("\"/data\" \"free.bin\""));
    EXPECT_EQ(row("free.bin"), -1);
    EXPECT_NE(row("down.bin"), -1);

    // A download of a file queued for upload is refused; a queued download does not block another.
    pane.List()->SelectRow(row("up.bin"));
    pane.DownloadSelection();
    EXPECT_EQ(answers.boxes.back().text, QStringLiteral("Simultaneous upload/download is prohibited."));
    EXPECT_EQ(answers.boxes.back().caption, QStringLiteral("File Download"));
    EXPECT_TRUE(console.transfers.empty());
}

TEST_F(RemotePane, ChangeModeSendsTheNewModeAndARefusalLeavesTheRowAsItWas)
{
    list(QStringLiteral("/bin"), {{1, "tool", 10, 755}, {0, "sub", 0, 700}});
    answers.dialog = [](QDialog* d) {
        auto* dlg = static_cast<CZRChangeModeDlg*>(d);
        EXPECT_EQ(dlg->GetNumericText(), QStringLiteral("755"));
        EXPECT_TRUE(dlg->GetDescription().endsWith(QStringLiteral(" file (tool).")));
        dlg->NumericEdit()->setText(QStringLiteral("700"));
        return int(QDialog::Accepted);
    };
    pane.ChangeModeEntry(row("tool"));
    ASSERT_EQ(console.withNumber(ChgMode).size(), 1u);
    EXPECT_EQ(console.withNumber(ChgMode)[0].argument, QStringLiteral("\"/bin\" \"tool\" 700"));
    EXPECT_EQ(pane.List()->Model()->At(row("tool")).mode, 700);

    console.answer = 0;
    answers.dialog = [](QDialog* d) {
        static_cast<CZRChangeModeDlg*>(d)->NumericEdit()->setText(QStringLiteral("711"));
        return int(QDialog::Accepted);
    };
    pane.ChangeModeEntry(row("tool"));
    EXPECT_EQ(pane.List()->Model()->At(row("tool")).mode, 700);

    // Digits beyond 7 never go out.
    console.answer = 1;
    answers.dialog = [](QDialog* d) {
        static_cast<CZRChangeModeDlg*>(d)->NumericEdit()->setText(QStringLiteral("78"));
        return int(QDialog::Accepted);
    };
    pane.ChangeModeEntry(row("sub"));
    EXPECT_EQ(console.withNumber(ChgMode).size(), 1u);
    EXPECT_EQ(pane.List()->Model()->At(row("sub")).mode, 700);

    // Not offered for OS type 1.
    connect(kKey, 1);
    list(QStringLiteral("\\Windows"), {{1, "x.exe"}});
    std::unique_ptr<QMenu> menu(pane.ContextMenuFor(row("x.exe")));
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions())
        if (a->data().toInt() == ID_FM_CHMOD) {
            EXPECT_FALSE(a->isEnabled());
        }
}

TEST_F(RemotePane, RunAsksForTheArgumentAndConfirms)
{
    list(QStringLiteral("/usr/bin"), {{1, "collect.sh", 10, 755}, {1, "notes", 10, 644}});
    std::unique_ptr<QMenu> menu(pane.ContextMenuFor(row("notes")));
    for (QAction* a : menu->actions())
        if (a->data().toInt() == ID_FM_RUN) {
            EXPECT_FALSE(a->isEnabled());
        }
    pane.RunEntry(row("notes"));
    EXPECT_EQ(answers.dialogs, 0);

    answers.dialog = [](QDialog* d) {
        static_cast<CZRInputBox*>(d)->ValueEdit()->setText(QStringLiteral("-q"));
        return int(QDialog::Accepted);
    };
    pane.RunEntry(row("collect.sh"));
    EXPECT_EQ(answers.boxes.back().text,
              QStringLiteral("Are you sure you want to execute this file \n  (collect.sh -q)?"));
    ASSERT_EQ(console.withNumber(Execute).size(), 1u);
    EXPECT_EQ(console.withNumber(Execute)[0].argument, QStringLiteral("\"/usr/bin\" \"collect.sh\" \"-q\""));

    answers.boxAnswer = IDCANCEL;
    pane.RunEntry(row("collect.sh"));
    EXPECT_EQ(console.withNumber(Execute).size(), 1u);

    // An argument with a quote cannot travel.
    answers.boxAnswer = IDOK;
    answers.dialog = [](QDialog* d) {
        static_cast<CZRInputBox*>(d)->ValueEdit()->setText(QStringLiteral("say \"hi\""));
        return int(QDialog::Accepted);
    };
    pane.RunEntry(row("collect.sh"));
    EXPECT_EQ(console.withNumber(Execute).size(), 1u);
    EXPECT_EQ(answers.boxes.back().text, fmtext_quote());
}

TEST_F(RemotePane, ANotSentOrFailedListingGivesThePreviousDirectoryBack)
{
    list(QStringLiteral("/etc"), {{1, "hostname"}});
    console.answer = 0;
    EXPECT_EQ(pane.Browse(QStringLiteral("/var")), 0);
    EXPECT_FALSE(pane.IsBrowsing());
    EXPECT_EQ(pane.GetCurrentDirectory(), QStringLiteral("/etc"));
    EXPECT_EQ(pane.Combo()->GetCurrentText(), QStringLiteral("/etc"));
    EXPECT_NE(row("hostname"), -1);
    EXPECT_FALSE(pane.Combo()->History().contains(QStringLiteral("/var")));

    // The agent says the folder is missing: the listing ends and the previous folder is listed.
    console.answer = 1;
    pane.Browse(QStringLiteral("/missing"));
    EXPECT_EQ(pane.OnListing(kKey, true, 0, QString(), 0, QString(), 0),
              CZRRmtShellListWnd::ListingWrongDirectory);
    EXPECT_FALSE(pane.IsBrowsing());
    pane.WrongDirectory();
    EXPECT_EQ(console.sent.back().argument, QStringLiteral("\"/etc\""));
    EXPECT_TRUE(pane.IsBrowsing());
}

TEST_F(RemotePane, WrongDirectoriesWalkUpAndNeverAskTwice)
{
    list(QStringLiteral("/a/b"), {});
    // /a/b vanished; so did /a. The pane walks up to / without bouncing between them.
    pane.Browse(QStringLiteral("/a/b/c"));
    std::vector<QString> asked;
    for (int round = 0; round < 6 && pane.IsBrowsing(); ++round) {
        asked.push_back(console.sent.back().argument);
        const QString current = pane.GetCurrentDirectory();
        if (current == QStringLiteral("/")) {
            feed({{0, "etc"}});
            break;
        }
        ASSERT_EQ(pane.OnListing(kKey, true, 0, QString(), 0, QString(), 0),
                  CZRRmtShellListWnd::ListingWrongDirectory);
        pane.WrongDirectory();
    }
    EXPECT_EQ(asked, (std::vector<QString>{QStringLiteral("\"/a/b/c\""), QStringLiteral("\"/a/b\""),
                                           QStringLiteral("\"/a\""), QStringLiteral("\"/\"")}));
    EXPECT_EQ(pane.GetCurrentDirectory(), QStringLiteral("/"));
    EXPECT_NE(row("etc"), -1);

    // Even the root failing ends it: nothing more is asked.
    const size_t before = console.sent.size();
    pane.Browse(QStringLiteral("/gone"));
    pane.OnListing(kKey, true, 0, QString(), 0, QString(), 0);
    pane.WrongDirectory(); // back to /
    pane.OnListing(kKey, true, 0, QString(), 0, QString(), 0);
    pane.WrongDirectory(); // / failed too: stop
    EXPECT_EQ(console.sent.size(), before + 2);
    EXPECT_FALSE(pane.IsBrowsing());
}

TEST_F(RemotePane, RowsOfAnOldListingNeverFillANewFolder)
{
    pane.Init(QStringLiteral("/one"));
    feed({{1, "one-a"}}, kKey, false);
    // The operator switches to another agent mid-listing, then back.
    connect(kOther, 0);
    list(QStringLiteral("/two"), {{1, "two-a"}}, kOther);
    feed({{1, "one-b"}}, kKey, false); // the first agent's rows keep coming: dropped
    EXPECT_EQ(names(), (QStringList{QStringLiteral(".."), QStringLiteral("two-a")}));

    connect(kKey, 0);
    const size_t before = console.sent.size();
    pane.Init(QStringLiteral("/three"));
    EXPECT_EQ(console.sent.size(), before); // waits for the old listing of this agent to end
    EXPECT_TRUE(pane.IsBrowsing());
    feed({{1, "one-c"}}, kKey, true); // ends the old one
    ASSERT_EQ(console.sent.size(), before + 1);
    EXPECT_EQ(console.sent.back().argument, QStringLiteral("\"/three\""));
    feed({{1, "three-a"}});
    EXPECT_EQ(names(), (QStringList{QStringLiteral(".."), QStringLiteral("three-a")}));
    EXPECT_FALSE(pane.IsBrowsing());
}

TEST_F(RemotePane, UploadsIntoTheCurrentFolder)
{
    QFile f(dir.filePath(QStringLiteral("Report.TXT")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("12345");
    f.close();
    connect(kKey, 2);
    list(QStringLiteral("C:\\Data"), {{1, "report.txt"}, {0, "logs"}});

    // Same name in another letter case on a Windows-type agent: asked first.
    answers.boxAnswer = IDCANCEL;
    pane.DropLocalFiles({f.fileName()});
    EXPECT_EQ(answers.boxes.back().text,
              QStringLiteral("The target file already exists. Are you sure you want to overwrite it?"));
    EXPECT_TRUE(console.transfers.empty());
    answers.boxAnswer = IDOK;
    pane.DropLocalFiles({f.fileName()});
    ASSERT_EQ(console.transfers.size(), 1u);
    EXPECT_EQ(console.transfers[0].number, Upload);
    EXPECT_EQ(console.transfers[0].transfer.kind, 0);
    EXPECT_EQ(console.transfers[0].transfer.size, 5u);
    EXPECT_EQ(console.transfers[0].transfer.remotePath, QStringLiteral("C:\\Data\\Report.TXT"));

    // A folder of that name is never replaced by a file.
    QFile logs(dir.filePath(QStringLiteral("LOGS")));
    ASSERT_TRUE(logs.open(QIODevice::WriteOnly));
    logs.close();
    pane.DropLocalFiles({logs.fileName()});
    EXPECT_EQ(console.transfers.size(), 1u);

    // Not while the folder is still being listed.
    pane.Browse(QStringLiteral("C:\\"));
    pane.DropLocalFiles({f.fileName()});
    EXPECT_EQ(console.transfers.size(), 1u);
    EXPECT_TRUE(pane.IsBrowsing());
}

TEST_F(RemotePane, PathsTooLongForTheWireAreRefused)
{
    const QString deep = QStringLiteral("/") + QString(990, QLatin1Char('d'));
    list(deep, {{1, "file-with-a-long-name"}});
    const size_t before = console.sent.size();
    pane.List()->SelectRow(row("file-with-a-long-name"));
    EXPECT_FALSE(pane.RenameEntry(row("file-with-a-long-name"), QStringLiteral("other")));
    EXPECT_EQ(answers.boxes.back().text, fmtext_tooLong());
    EXPECT_EQ(console.sent.size(), before);
    EXPECT_EQ(pane.Browse(deep + QString(20, QLatin1Char('e'))), 0);
}

TEST_F(RemotePane, KeysAndDoubleClicksOpenAndGoUp)
{
    list(QStringLiteral("/usr"), {{0, "lib"}, {1, "README"}});
    pane.List()->setFocus();
    pane.List()->SelectRow(row("lib"));
    QTest::keyClick(pane.List(), Qt::Key_Return);
    EXPECT_EQ(console.sent.back().argument, QStringLiteral("\"/usr/lib\""));
    feed({});
    QTest::keyClick(pane.List(), Qt::Key_Backspace);
    EXPECT_EQ(console.sent.back().argument, QStringLiteral("\"/usr\""));
    feed({{1, "a"}, {1, "b"}});
    QTest::keyClick(pane.List(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(pane.List()->SelectedRows().size(), 3);
    QTest::keyClick(pane.List(), Qt::Key_F5);
    EXPECT_EQ(console.sent.back().argument, QStringLiteral("\"/usr\""));
    EXPECT_TRUE(pane.IsBrowsing());
}

TEST_F(RemotePane, DraggedRemoteFilesCarryTheirPathsUnderOurOwnType)
{
    list(QStringLiteral("/etc"), {{1, "hosts"}, {0, "ssl"}});
    auto* m = pane.List()->Model();
    std::unique_ptr<QMimeData> mime(m->mimeData({m->index(row("hosts"), 0), m->index(row("ssl"), 0)}));
    ASSERT_NE(mime, nullptr);
    EXPECT_FALSE(mime->hasUrls()); // never offered to other programs as local files
    EXPECT_EQ(QString::fromUtf8(mime->data(QString::fromLatin1(CZRRemoteModel::kMime))),
              QStringLiteral("/etc/hosts"));
    EXPECT_EQ(m->supportedDragActions(), Qt::CopyAction);
}

} // namespace
