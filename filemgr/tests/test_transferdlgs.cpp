// The upload and firmware upgrade dialogs: picking files with their remote directory, the device
// lists, and the calls OK makes to the console's action, including what a refusal leaves behind.
#include "fmtest.h"
#include "picker.h"
#include "resource.h"
#include "zrupgradedlg.h"
#include "zruploaddlg.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {
// The console's transfer action: records every call, refuses the devices it is told to.
struct Recorder
{
    struct Call
    {
        _TransferRequest request;
        int number;
        QString key;
    };
    std::vector<Call> calls;
    QStringList refuse;

    static int Action(const _TransferRequest& r, int number, void* context, const QString& key)
    {
        auto* self = static_cast<Recorder*>(context);
        if (self->refuse.contains(key)) return 0;
        self->calls.push_back({r, number, key});
        return 1;
    }
    QStringList keys() const
    {
        QStringList out;
        for (const Call& c : calls)
            out << c.key;
        return out;
    }
};

struct TransferDlgTest : ::testing::Test
{
    TransferDlgTest()
    {
        for (const char* name : {"a.bin", "b.bin", "c.bin"})
            make(QString::fromLatin1(name), 100 + int(qstrlen(name)));
    }
    QString make(const QString& name, int bytes)
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(bytes, 'x'));
        return f.fileName();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    // The file dialog answers with these names (in this folder) and this remote directory.
    void pick(const QStringList& names, const QString& remote)
    {
        answers.dialog = [this, names, remote](QDialog* d) {
            auto* fd = qobject_cast<CZRFileDialog*>(d);
            if (fd == nullptr) return int(QDialog::Rejected);
            offeredRemote = fd->RemoteDirEdit()->text();
            offeredDir = fd->directory().absolutePath();
            fd->setDirectory(dir.path());
            QStringList quoted;
            for (const QString& n : names)
                quoted << u'"' + n + u'"';
            fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(quoted.join(u' '));
            fd->RemoteDirEdit()->setText(remote);
            fd->accept();
            return int(QDialog::Accepted);
        };
    }
    static QStringList rows(const CZRUploadDlg& dlg, int column)
    {
        QStringList out;
        for (int i = 0; i < dlg.FileList()->topLevelItemCount(); ++i)
            out << dlg.FileList()->topLevelItem(i)->text(column);
        return out;
    }

    QTemporaryDir dir;
    Answering answers;
    Recorder console;
    QString offeredRemote;
    QString offeredDir;
};

QStringList names(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* s : list)
        out << QString::fromLatin1(s);
    return out;
}
} // namespace

TEST_F(TransferDlgTest, PicksListNewestFirstOnceForEachRemoteDirectory)
{
    CZRUploadDlg dlg(nullptr, 1);
    dlg.SetLocalDirectory(dir.path());
    dlg.SetRemoteDirectory(QStringLiteral("\\"));
    pick(names({"a.bin", "b.bin"}), QStringLiteral("/tmp/"));
    EXPECT_EQ(dlg.AddFiles(), 1);
    EXPECT_EQ(offeredRemote, QStringLiteral("\\"));
    EXPECT_EQ(offeredDir, dir.path());
    // One trailing separator goes; the rows of a pick keep its order.
    EXPECT_EQ(rows(dlg, 0), names({"a.bin", "b.bin"}));
    EXPECT_EQ(rows(dlg, 1), names({"/tmp", "/tmp"}));
    EXPECT_EQ(rows(dlg, 2), (QStringList{path(QStringLiteral("a.bin")), path(QStringLiteral("b.bin"))}));

    // The next pick goes before them; a file listed with that remote directory is not listed again.
    pick(names({"c.bin", "a.bin"}), QStringLiteral("/tmp"));
    EXPECT_EQ(dlg.AddFiles(), 1);
    EXPECT_EQ(offeredRemote, QStringLiteral("/tmp")); // what was used last is offered again
    EXPECT_EQ(rows(dlg, 0), names({"c.bin", "a.bin", "b.bin"}));
    EXPECT_FALSE(dlg.IsExist(QStringLiteral("a.bin"), path(QStringLiteral("a.bin")), QStringLiteral("/opt")));
    pick(names({"a.bin"}), QStringLiteral("/opt"));
    dlg.AddFiles();
    EXPECT_EQ(rows(dlg, 0), names({"a.bin", "c.bin", "a.bin", "b.bin"}));
    EXPECT_EQ(rows(dlg, 1), names({"/opt", "/tmp", "/tmp", "/tmp"}));
    EXPECT_TRUE(dlg.IsExist(QStringLiteral("a.bin"), path(QStringLiteral("a.bin")), QStringLiteral("/opt")));
    EXPECT_EQ(dlg.AddFile(0, QStringLiteral("b.bin"), path(QStringLiteral("b.bin")), QStringLiteral("/tmp")),
              0);
    // A lone root keeps its separator.
    pick(names({"b.bin"}), QStringLiteral("/"));
    dlg.AddFiles();
    EXPECT_EQ(rows(dlg, 1).first(), QStringLiteral("/"));
    EXPECT_TRUE(answers.boxes.empty());
}

TEST_F(TransferDlgTest, ABlankRemoteDirectoryIsRefusedAndACancelledPickAddsNothing)
{
    CZRUploadDlg dlg(nullptr, 1);
    pick(names({"a.bin"}), QStringLiteral("  "));
    EXPECT_EQ(dlg.AddFiles(), 1);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, QStringLiteral("Remote directory is blank!"));
    EXPECT_EQ(answers.boxes[0].caption, QStringLiteral("File Upload"));
    EXPECT_EQ(answers.boxes[0].icon, unsigned(MB_ICONERROR));
    EXPECT_EQ(dlg.GetFileCount(), 0);

    answers.dialog = [](QDialog*) { return int(QDialog::Rejected); };
    EXPECT_EQ(dlg.AddFiles(), 0);
    EXPECT_EQ(dlg.GetFileCount(), 0);
}

TEST_F(TransferDlgTest, OpeningNamesTheTargetFillsTheBoxesAndClosesWhenThePickIsCancelled)
{
    {
        CZRUploadDlg dlg(nullptr, 1);
        dlg.AddTitleInfo(QStringLiteral("Site"));
        dlg.AddAgent(0, QStringLiteral("10.0.0.1"));
        dlg.AddAgent(1, QStringLiteral("10.0.0.2"));
        dlg.AddAgent(1, QStringLiteral("10.0.0.3"));
        pick(names({"a.bin"}), QStringLiteral("/tmp"));
        dlg.show();
        EXPECT_EQ(answers.dialogs, 1);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("File Upload - Site"));
        EXPECT_EQ(dlg.GetFileCount(), 1);
        EXPECT_EQ(dlg.ListBox(0)->count(), 1);
        EXPECT_EQ(dlg.ListBox(1)->count(), 2);
        EXPECT_EQ(dlg.ListBox(0)->objectName(), QString::number(IDC_UP_SELECTED));
        EXPECT_EQ(dlg.ListBox(1)->objectName(), QString::number(IDC_UP_OTHERS));
        waitUntil([] { return false; }, 50);
        EXPECT_TRUE(dlg.isVisible());
        dlg.hide();
        dlg.show(); // the opening runs once
        EXPECT_EQ(answers.dialogs, 1);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("File Upload - Site"));
    }
    CZRUploadDlg dlg(nullptr, 1);
    answers.dialog = [](QDialog*) { return int(QDialog::Rejected); };
    dlg.show();
    EXPECT_TRUE(waitUntil([&] { return !dlg.isVisible(); }, 2000));
    EXPECT_EQ(dlg.result(), int(QDialog::Rejected));
}

TEST_F(TransferDlgTest, DevicesMoveBetweenTheListsWithoutDuplicates)
{
    CZRUploadDlg dlg(nullptr, 1);
    EXPECT_EQ(dlg.AddListAgents(0), 0);
    EXPECT_EQ(dlg.AddAgent(0, QStringLiteral("A")), 1);
    EXPECT_EQ(dlg.AddAgent(0, QStringLiteral("A")), 0);
    EXPECT_EQ(dlg.AddAgent(1, QStringLiteral("B")), 1);
    EXPECT_EQ(dlg.AddAgent(1, QStringLiteral("C")), 1);
    EXPECT_TRUE(dlg.HasAgent(1, QStringLiteral("C")));
    EXPECT_FALSE(dlg.HasAgent(0, QStringLiteral("C")));
    EXPECT_EQ(dlg.AddListAgents(0), 1);
    EXPECT_EQ(dlg.AddListAgents(1), 1);
    EXPECT_EQ(dlg.AddListAgent(1, QStringLiteral("B")), 0);

    // "<-" brings the current non-selected device over; "->" takes the current selected one back.
    dlg.ListBox(1)->setCurrentRow(1);
    dlg.findChild<QPushButton*>(QString::number(IDC_UP_TO_SELECTED))->click();
    QStringList selected;
    dlg.GetAgentList(selected);
    EXPECT_EQ(selected, (QStringList{QStringLiteral("A"), QStringLiteral("C")}));
    EXPECT_EQ(dlg.Agents(1), QStringList{QStringLiteral("B")});
    EXPECT_EQ(dlg.ListBox(0)->count(), 2);
    EXPECT_EQ(dlg.ListBox(1)->count(), 1);
    dlg.ListBox(0)->setCurrentRow(0);
    dlg.findChild<QPushButton*>(QString::number(IDC_UP_TO_OTHERS))->click();
    EXPECT_EQ(dlg.Agents(0), QStringList{QStringLiteral("C")});
    EXPECT_EQ(dlg.Agents(1), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
    EXPECT_EQ(dlg.ListBox(1)->item(1)->text(), QStringLiteral("A"));
    // A name on both sides is moved, not doubled.
    dlg.AddAgent(1, QStringLiteral("C"));
    dlg.ListBox(0)->setCurrentRow(0);
    dlg.MoveToOthers();
    EXPECT_TRUE(dlg.Agents(0).isEmpty());
    EXPECT_EQ(dlg.Agents(1).count(QStringLiteral("C")), 1);
    EXPECT_EQ(dlg.ListBox(0)->count(), 0);
    dlg.MoveToOthers(); // nothing current: nothing moves
    EXPECT_EQ(dlg.Agents(1).size(), 3);
}

TEST_F(TransferDlgTest, DeleteAsksAndRemovesTheSelectedRows)
{
    CZRUploadDlg dlg(nullptr, 1);
    pick(names({"a.bin", "b.bin", "c.bin"}), QStringLiteral("/tmp"));
    dlg.AddFiles();
    auto* del = dlg.findChild<QPushButton*>(QString::number(IDC_UP_DELETE));
    del->click(); // nothing selected: no question
    EXPECT_TRUE(answers.boxes.empty());
    dlg.FileList()->topLevelItem(0)->setSelected(true);
    dlg.FileList()->topLevelItem(2)->setSelected(true);
    answers.boxAnswer = IDCANCEL;
    del->click();
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, QStringLiteral("Are you sure you want to delete?"));
    EXPECT_EQ(dlg.GetFileCount(), 3);
    answers.boxAnswer = IDOK;
    del->click();
    EXPECT_EQ(rows(dlg, 0), names({"b.bin"}));
}

TEST_F(TransferDlgTest, UploadCallsTheActionFileMajorAndSkipsWhatCannotBeRead)
{
    CZRUploadDlg dlg(nullptr, 1);
    dlg.SetNick(QStringLiteral("Site"));
    dlg.SetRequestUpload(&Recorder::Action, 21, &console);
    pick(names({"a.bin", "b.bin"}), QStringLiteral("/tmp"));
    dlg.show();
    // No device selected: nothing asked, nothing called, still open.
    dlg.accept();
    EXPECT_TRUE(answers.boxes.empty());
    EXPECT_TRUE(dlg.isVisible());
    for (const char* d : {"10.0.0.1", "10.0.0.2", "10.0.0.3"})
        dlg.AddAgent(0, QString::fromLatin1(d));

    answers.boxAnswer = IDCANCEL;
    dlg.accept();
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, QStringLiteral("Upload the file(s)?"));
    EXPECT_EQ(answers.boxes[0].icon, unsigned(MB_ICONQUESTION));
    EXPECT_TRUE(console.calls.empty());
    EXPECT_TRUE(dlg.isVisible());

    answers.boxAnswer = IDOK;
    dlg.accept();
    ASSERT_EQ(console.calls.size(), 6u);
    EXPECT_EQ(console.keys(),
              (QStringList{QStringLiteral("Site|10.0.0.1"), QStringLiteral("Site|10.0.0.2"),
                           QStringLiteral("Site|10.0.0.3"), QStringLiteral("Site|10.0.0.1"),
                           QStringLiteral("Site|10.0.0.2"), QStringLiteral("Site|10.0.0.3")}));
    for (size_t i = 0; i < 6; ++i) {
        const _TransferRequest& r = console.calls[i].request;
        const bool first = i < 3;
        EXPECT_EQ(r.kind, 0);
        EXPECT_EQ(console.calls[i].number, 21);
        EXPECT_EQ(r.localPath, path(first ? u"a.bin"_qs : u"b.bin"_qs));
        EXPECT_EQ(r.remotePath, first ? u"/tmp\\a.bin"_qs : u"/tmp\\b.bin"_qs);
        EXPECT_EQ(r.size, 105u);
    }
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), int(QDialog::Accepted));
    EXPECT_EQ(dlg.GetUploadCount(), 2);
    QString local, remote;
    EXPECT_EQ(dlg.GetUploadItem(1, local, remote), 1);
    EXPECT_EQ(remote, u"/tmp\\b.bin"_qs);
    EXPECT_EQ(dlg.GetUploadItem(2, local, remote), 0);

    // A root remote directory gives "\name"; a file gone since it was picked is left out.
    CZRUploadDlg root(nullptr, 1);
    root.SetNick(QStringLiteral("Site"));
    root.SetRequestUpload(&Recorder::Action, 21, &console);
    root.AddAgent(0, QStringLiteral("10.0.0.1"));
    pick(names({"a.bin", "c.bin"}), QStringLiteral("/"));
    root.show();
    ASSERT_TRUE(QFile::remove(path(u"a.bin"_qs)));
    console.calls.clear();
    root.accept();
    ASSERT_EQ(console.calls.size(), 1u);
    EXPECT_EQ(console.calls[0].request.remotePath, u"\\c.bin"_qs);
    EXPECT_FALSE(root.isVisible());
}

TEST_F(TransferDlgTest, ARefusalKeepsTheDialogOpenAndTheNextOkSendsOnlyWhatWasRefused)
{
    CZRUploadDlg dlg(nullptr, 1);
    dlg.SetNick(QStringLiteral("Site"));
    dlg.SetRequestUpload(&Recorder::Action, 21, &console);
    dlg.AddAgent(0, QStringLiteral("A"));
    dlg.AddAgent(0, QStringLiteral("B"));
    pick(names({"a.bin", "b.bin"}), QStringLiteral("/tmp"));
    dlg.show();
    console.refuse = QStringList{QStringLiteral("Site|B")};
    dlg.accept();
    EXPECT_EQ(console.keys(), (QStringList{QStringLiteral("Site|A"), QStringLiteral("Site|A")}));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_NE(dlg.result(), int(QDialog::Accepted));

    console.refuse.clear();
    dlg.accept();
    ASSERT_EQ(console.calls.size(), 4u);
    EXPECT_EQ(console.calls[2].key, QStringLiteral("Site|B"));
    EXPECT_EQ(console.calls[2].request.localPath, path(u"a.bin"_qs));
    EXPECT_EQ(console.calls[3].key, QStringLiteral("Site|B"));
    EXPECT_EQ(console.calls[3].request.localPath, path(u"b.bin"_qs));
    EXPECT_FALSE(dlg.isVisible());
}

namespace {
struct FakePicker : PickerService
{
    QStringList answer;
    QString askedDir;
    bool askedMultiple = true;
    QStringList OpenFiles(QWidget*, const QString&, const QString& dir, const QString&,
                          bool multiple) override
    {
        askedDir = dir;
        askedMultiple = multiple;
        return answer;
    }
};

struct UpgradeDlgTest : TransferDlgTest
{
    UpgradeDlgTest()
    {
        SetPickerService(&picker);
        dlg.SetNick(QStringLiteral("Site"));
        dlg.SetLocalDirectory(dir.path());
        dlg.SetRequestUpgrade(&Recorder::Action, 21, &console);
        dlg.show();
    }
    ~UpgradeDlgTest() override { SetPickerService(nullptr); }
    FakePicker picker;
    CZRUpgradeDlg dlg{nullptr, 1};
};
} // namespace

TEST_F(UpgradeDlgTest, BrowseFillsTheFieldFromTheLocalDirectory)
{
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Firmware Upgrade"));
    picker.answer = QStringList{path(u"c.bin"_qs)};
    dlg.findChild<QPushButton*>(QString::number(IDC_UG_BROWSE))->click();
    EXPECT_EQ(picker.askedDir, dir.path());
    EXPECT_FALSE(picker.askedMultiple);
    EXPECT_EQ(dlg.GetUpgradeFile(), path(u"c.bin"_qs));
    picker.answer.clear();
    EXPECT_EQ(dlg.GetFile(), 0);
    EXPECT_EQ(dlg.GetUpgradeFile(), path(u"c.bin"_qs));
}

TEST_F(UpgradeDlgTest, NothingHappensWithoutAFileOrADevice)
{
    dlg.AddAgent(0, QStringLiteral("A"));
    dlg.accept(); // empty field
    dlg.SetUpgradeFile(path(u"a.bin"_qs));
    dlg.RemoveAgent(0, QStringLiteral("A"));
    dlg.accept(); // no device
    EXPECT_TRUE(answers.boxes.empty());
    EXPECT_TRUE(console.calls.empty());
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(UpgradeDlgTest, OneFirmwareCallPerDeviceAndARefusalKeepsItOpen)
{
    dlg.SetUpgradeFile(path(u"b.bin"_qs));
    for (const char* d : {"A", "B", "C"})
        dlg.AddAgent(0, QString::fromLatin1(d));
    console.refuse = QStringList{QStringLiteral("Site|C")};
    dlg.accept();
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, QStringLiteral("Upgrade the firmware?"));
    EXPECT_EQ(answers.boxes[0].caption, QStringLiteral("Firmware Upgrade"));
    EXPECT_EQ(console.keys(), (QStringList{QStringLiteral("Site|A"), QStringLiteral("Site|B")}));
    EXPECT_TRUE(dlg.isVisible());

    console.refuse.clear();
    dlg.accept();
    ASSERT_EQ(console.calls.size(), 3u);
    for (const Recorder::Call& c : console.calls) {
        EXPECT_EQ(c.request.kind, 1);
        EXPECT_EQ(c.request.remotePath, QStringLiteral("firmware"));
        EXPECT_EQ(c.request.localPath, path(u"b.bin"_qs));
        EXPECT_EQ(c.request.size, 105u);
        EXPECT_EQ(c.number, 21);
    }
    EXPECT_EQ(console.calls[2].key, QStringLiteral("Site|C"));
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(UpgradeDlgTest, AnUnreadableFileIsToldAndStartsNothing)
{
    dlg.AddAgent(0, QStringLiteral("A"));
    dlg.SetUpgradeFile(path(u"gone.bin"_qs));
    EXPECT_EQ(dlg.ApplyUpgrade(), -1);
    dlg.accept();
    ASSERT_EQ(answers.boxes.size(), 2u);
    EXPECT_TRUE(answers.boxes[1].text.endsWith(path(u"gone.bin"_qs)));
    EXPECT_EQ(answers.boxes[1].icon, unsigned(MB_ICONERROR));
    EXPECT_TRUE(console.calls.empty());
    EXPECT_TRUE(dlg.isVisible());
    // A folder is no firmware either.
    dlg.SetUpgradeFile(dir.path());
    EXPECT_EQ(dlg.ApplyUpgrade(), -1);
    // ApplyUpgrade alone starts the transfers but leaves the dialog as it is.
    dlg.SetUpgradeFile(path(u"a.bin"_qs));
    EXPECT_EQ(dlg.ApplyUpgrade(), 0);
    EXPECT_EQ(console.calls.size(), 1u);
    EXPECT_TRUE(dlg.isVisible());
}
