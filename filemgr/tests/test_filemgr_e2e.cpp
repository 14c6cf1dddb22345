// The file manager against the stand-in gateway through the control core, wired the way the
// console wires it: requests go out through SendRequest, listings and results come back as
// notifications that are fed to the remote pane.
#include "fmtest.h"
#include "gateway_process.h"
#include "transfer_flows.h"
#include "zrcontrol.h"
#include "zrdialogs.h"
#include "zrfilemgrwnd.h"
#include "zrhistorycombo.h"
#include "zrqueuelist.h"
#include "zrrmtshelllistwnd.h"
#include "zrshelllistwnd.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

const QString kGw = QStringLiteral("site");
const QString kLx = QStringLiteral("site|10.5.0.1");
const QString kXpe = QStringLiteral("site|10.5.0.2");
const QString kCe = QStringLiteral("site|10.5.0.3");

// The console's part: the request callbacks and the notification handlers of the file manager.
class Console : public QObject
{
public:
    CZRControl* control = nullptr;
    CZRFileMgrWnd* fm = nullptr;
    int wrongDirectories = 0;
    int finished = 0;
    int failed = 0;
    QStringList failures;

    static int Send(const QString& argument, int number, void* context, const QString& key)
    {
        return static_cast<Console*>(context)->control->SendRequest(number, argument, key);
    }
    static int Download(const _TransferRequest& r, int number, void* context, const QString& key)
    {
        auto* self = static_cast<Console*>(context);
        EXPECT_EQ(number, 24);
        if (tarntest::startDownload(*self->control, key, r.localPath, r.remotePath, r.size) < 0) return 0;
        self->fm->AddTask(2, 2, r.localPath, r.remotePath);
        return 1;
    }
    static int Upload(const _TransferRequest& r, int, void* context, const QString& key)
    {
        auto* self = static_cast<Console*>(context);
        return tarntest::startUpload(*self->control, key, r.kind, r.localPath, r.remotePath, r.size) >= 0 ? 1
                                                                                                          : 0;
    }

    bool event(QEvent* e) override
    {
        const int id = int(e->type());
        if (id < 1525 || id > 1635) return QObject::event(e);
        auto* n = static_cast<CZRNotify*>(e);
        CZRRmtShellListWnd* pane = fm->Remote();
        if (id == 1606 && pane->GetNick() == n->key()) {
            const auto* fe = n->get<_FileEntry>();
            const int r =
                fe ? pane->OnListing(n->key(), false, fe->kind, fe->name, fe->size, fe->text, fe->number)
                   : pane->OnListing(n->key(), true, 0, QString(), 0, QString(), 0);
            if (r == CZRRmtShellListWnd::ListingWrongDirectory) {
                ++wrongDirectories; // the console's message box goes here
                pane->WrongDirectory();
            }
        } else if (id == 1606) {
            const auto* fe = n->get<_FileEntry>();
            pane->OnListing(n->key(), !fe, fe ? fe->kind : 0, fe ? fe->name : QString(), 0, QString(), 0);
        } else if (id == 1605) {
            pane->OnRequestDone(n->key(), int(n->value()));
        } else if (id == 1597) {
            if (const auto* t = n->get<_TransferNotice>()) {
                fm->RemoveTask(0, t->type, t->localPath, t->agentPath);
                ++finished;
            }
        } else if (id == 1598) {
            if (const auto* t = n->get<_TransferNotice>()) {
                fm->RemoveTask(0, t->type, t->localPath, t->agentPath);
                ++failed;
            }
        } else if (id == 1528) {
            if (const auto* text = n->get<QString>()) failures << *text;
        }
        return true;
    }
};

class FileManagerE2E : public ::testing::Test
{
protected:
    void start(std::vector<std::string> extra = {})
    {
        CZRHistoryCombo::SetHistoryStore(dir.filePath(QStringLiteral("h.ini")));
        const QString fleet = dir.filePath(QStringLiteral("fleet.txt"));
        QFile f(fleet);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("10.5.0.1 lx-01 model=TRN-200-LX\n"
                "10.5.0.2 xpe-01 model=TRN-310-XPE\n"
                "10.5.0.3 ce-01 model=TRN-120-CE\n");
        f.close();
        std::vector<std::string> args = {"--fleet", fleet.toStdString(), "--root", root().toStdString()};
        args.insert(args.end(), extra.begin(), extra.end());
        gateway = std::make_unique<tarntest::GatewayProcess>(args);
        ASSERT_TRUE(gateway->ok());
        control = std::make_unique<CZRControl>();
        control->SetMainHWND(&console);
        console.control = control.get();
        fm.resize(900, 600);
        ASSERT_EQ(fm.CreateWnd(0, QRect(0, 0, 900, 600), nullptr, 21006), 1);
        console.fm = &fm;
        fm.Local()->SetRequestAction(&Console::Download, &console);
        fm.Local()->SetRequestParam(24);
        fm.Local()->Init(local.path());
        control->AddGateway(kGw, QStringLiteral("127.0.0.1"), QString::number(gateway->port()));
        ASSERT_EQ(control->Connect2Gateway(kGw), 1);
        ASSERT_TRUE(waitUntil([&] { return control->GetAgent(kCe).GetNick().size() > 0; }, 10000));
        for (const QString& key : {kLx, kXpe, kCe})
            control->SendRequest(1, QString(), key);
        ASSERT_TRUE(waitUntil([&] { return control->GetAgent(kXpe).GetOSType(1) == 2; }));
        ASSERT_TRUE(waitUntil([&] { return control->GetAgent(kCe).GetOSType(1) == 1; }));
    }
    ~FileManagerE2E() override
    {
        control.reset();
        gateway.reset();
        CZRHistoryCombo::SetHistoryStore(QString());
    }
    // What the console does when the operator opens the file manager on an agent.
    void show(const QString& key, const QString& directory)
    {
        CZRRmtShellListWnd* pane = fm.Remote();
        pane->SetNick(key);
        pane->Reset();
        pane->SetOSType(control->GetAgent(key).GetOSType(1));
        pane->SetRequestAction(&Console::Send, &Console::Upload, &console);
        pane->SetRequestParam(25, 29, 31, 27, 30, 26, 28, 21);
        fm.Local()->SetNick(key);
        pane->Init(directory);
    }
    bool listed()
    {
        return waitUntil([&] { return !fm.Remote()->IsBrowsing(); });
    }
    QStringList names()
    {
        QStringList out;
        for (int i = 0; i < fm.Remote()->GetObjectCount(); ++i)
            out << fm.Remote()->List()->Model()->At(i).name;
        return out;
    }
    int row(const QString& name) { return fm.Remote()->List()->Model()->Find(name, -1, false); }
    QString root() const { return dir.filePath(QStringLiteral("root")); }
    QString onAgent(const QString& key, const QString& path) const
    {
        return root() + QLatin1Char('/') + key.section(QLatin1Char('|'), 1) + path;
    }

    QTemporaryDir dir;
    QTemporaryDir local;
    Answering answers;
    Console console;
    CZRFileMgrWnd fm;
    std::unique_ptr<tarntest::GatewayProcess> gateway;
    std::unique_ptr<CZRControl> control;
};

struct AgentCase
{
    QString key;
    QString scratch; // as the agent writes it
    QString onDisk;  // the same folder under the agent's root
    QString program; // folder and name of something it may run
    QString programIn;
};

TEST_F(FileManagerE2E, FolderOperationsOnAllThreeAgentTypes)
{
    start();
    const AgentCase cases[] = {
        {kLx, QStringLiteral("/tmp"), QStringLiteral("/tmp"), QStringLiteral("collect.sh"),
         QStringLiteral("/usr/bin")},
        {kXpe, QStringLiteral("C:\\Temp"), QStringLiteral("/C/Temp"), QStringLiteral("start.bat"),
         QStringLiteral("C:\\HMI")},
        {kCe, QStringLiteral("\\Temp"), QStringLiteral("/Temp"), QStringLiteral("scanner.exe"),
         QStringLiteral("\\Storage Card")},
    };
    for (const AgentCase& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        show(c.key, c.scratch);
        ASSERT_TRUE(listed());
        EXPECT_EQ(fm.Remote()->GetCurrentDirectory(), c.scratch);
        EXPECT_EQ(names().value(0), QStringLiteral(".."));

        // A folder made through the input box shows up with the next listing.
        answers.dialog = [](QDialog* d) {
            static_cast<CZRInputBox*>(d)->ValueEdit()->setText(QStringLiteral("made here"));
            return int(QDialog::Accepted);
        };
        fm.Remote()->AddFolder();
        ASSERT_TRUE(
            waitUntil([&] { return row(QStringLiteral("made here")) >= 0 && !fm.Remote()->IsBrowsing(); }));
        EXPECT_TRUE(QDir(onAgent(c.key, c.onDisk + QStringLiteral("/made here"))).exists());

        ASSERT_TRUE(fm.Remote()->RenameEntry(row(QStringLiteral("made here")), QStringLiteral("renamed")));
        ASSERT_TRUE(
            waitUntil([&] { return QDir(onAgent(c.key, c.onDisk + QStringLiteral("/renamed"))).exists(); }));

        QFile file(onAgent(c.key, c.onDisk + QStringLiteral("/note.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("note");
        file.close();
        fm.Remote()->Refresh();
        ASSERT_TRUE(listed());
        ASSERT_GE(row(QStringLiteral("note.txt")), 0);

        if (control->GetAgent(c.key).GetOSType(1) != 1) {
            answers.dialog = [](QDialog* d) {
                static_cast<CZRChangeModeDlg*>(d)->NumericEdit()->setText(QStringLiteral("640"));
                return int(QDialog::Accepted);
            };
            fm.Remote()->ChangeModeEntry(row(QStringLiteral("note.txt")));
            ASSERT_TRUE(waitUntil([&] {
                return (QFile(file.fileName()).permissions() & QFile::ReadGroup) &&
                       !(QFile(file.fileName()).permissions() & QFile::ReadOther);
            }));
        }

        answers.boxAnswer = IDOK;
        fm.Remote()->List()->SelectRow(row(QStringLiteral("note.txt")));
        fm.Remote()->List()->SelectRow(row(QStringLiteral("renamed")), true);
        fm.Remote()->DeleteSelection();
        ASSERT_TRUE(waitUntil([&] {
            return !QFile::exists(file.fileName()) &&
                   !QDir(onAgent(c.key, c.onDisk + QStringLiteral("/renamed"))).exists();
        }));

        // Running is only simulated: the gateway logs it.
        fm.Remote()->Browse(c.programIn);
        ASSERT_TRUE(listed());
        answers.dialog = [](QDialog* d) {
            static_cast<CZRInputBox*>(d)->ValueEdit()->setText(QStringLiteral("--once"));
            return int(QDialog::Accepted);
        };
        fm.Remote()->RunEntry(row(c.program));
        EXPECT_TRUE(
            gateway->waitForLog("[gw] run " + control->GetAgent(c.key).GetNick().toStdString(), 5000));
    }
    EXPECT_TRUE(console.failures.isEmpty()) << console.failures.join(QLatin1Char('\n')).toStdString();
}

TEST_F(FileManagerE2E, DownloadIsByteIdenticalAndAnExistingTargetIsAskedFirst)
{
    start();
    QByteArray body(200 * 1024 + 7, Qt::Uninitialized);
    for (char& ch : body)
        ch = char(QRandomGenerator::global()->bounded(256));
    QDir().mkpath(onAgent(kLx, QStringLiteral("/tmp")));
    QFile remote(onAgent(kLx, QStringLiteral("/tmp/data.bin")));
    ASSERT_TRUE(remote.open(QIODevice::WriteOnly));
    remote.write(body);
    remote.close();
    show(kLx, QStringLiteral("/tmp"));
    ASSERT_TRUE(listed());
    ASSERT_GE(row(QStringLiteral("data.bin")), 0);

    fm.Remote()->List()->SelectRow(row(QStringLiteral("data.bin")));
    fm.Remote()->DownloadSelection();
    EXPECT_EQ(fm.Queue()->GetTaskCount(), 1);
    // While it runs, the file is in use for the remote operations.
    EXPECT_FALSE(fm.Remote()->BeginRename(row(QStringLiteral("data.bin"))));
    ASSERT_TRUE(waitUntil([&] { return console.finished == 1; }, 30000)) << gateway->stderrText();
    QFile got(local.filePath(QStringLiteral("data.bin")));
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.readAll(), body);
    got.close();
    EXPECT_EQ(fm.Queue()->GetTaskCount(), 0);

    // Again onto the file now there: asked first; Cancel sends nothing.
    const size_t boxes = answers.boxes.size();
    answers.boxAnswer = IDCANCEL;
    fm.Remote()->List()->SelectRow(row(QStringLiteral("data.bin")));
    fm.Remote()->DownloadSelection();
    ASSERT_EQ(answers.boxes.size(), boxes + 1);
    EXPECT_EQ(answers.boxes.back().text,
              QStringLiteral("The target file already exists. Are you sure you want to overwrite it?"));
    EXPECT_EQ(control->GetGateway(kGw).GetTransferCount(), 0);
    EXPECT_EQ(fm.Queue()->GetTaskCount(), 0);

    // The file went away on the agent: the download fails and the operator's copy stays whole.
    ASSERT_TRUE(QFile::remove(remote.fileName()));
    answers.boxAnswer = IDOK;
    fm.Remote()->List()->SelectRow(row(QStringLiteral("data.bin")));
    fm.Remote()->DownloadSelection();
    ASSERT_TRUE(waitUntil([&] { return console.failed == 1; }, 30000)) << gateway->stderrText();
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.readAll(), body);
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("data.bin")});
}

TEST_F(FileManagerE2E, AWrongDirectoryFallsBackToThePreviousOnceAndHugeSizesShowInFull)
{
    start({"--file-fault", "huge-file", "--file-fault", "odd-names"});
    show(kLx, QStringLiteral("/tmp"));
    ASSERT_TRUE(listed());
    auto* m = fm.Remote()->List()->Model();
    const int huge = row(QStringLiteral("huge.img"));
    ASSERT_GE(huge, 0);
    EXPECT_EQ(m->At(huge).size, 5000000000ull);
    EXPECT_EQ(m->data(m->index(huge, 1), Qt::DisplayRole).toString(), QStringLiteral("4882813 KB"));
    // Odd names: the agent's "." and ".." never become rows, a name with a backslash neither; long
    // names and spaces come through whole.
    EXPECT_EQ(names().count(QStringLiteral("..")), 1);
    EXPECT_EQ(names().count(QStringLiteral(".")), 0);
    EXPECT_GE(row(QStringLiteral("with space.txt")), 0);
    EXPECT_GE(row(QString(200, QLatin1Char('L')) + QStringLiteral(".txt")), 0);
    for (const QString& n : names())
        EXPECT_FALSE(n.contains(QLatin1Char('\\')) || n.contains(QLatin1Char('"'))) << n.toStdString();

    fm.Remote()->Browse(QStringLiteral("/tmp/nowhere"));
    ASSERT_TRUE(waitUntil([&] { return console.wrongDirectories == 1 && !fm.Remote()->IsBrowsing(); }));
    EXPECT_EQ(fm.Remote()->GetCurrentDirectory(), QStringLiteral("/tmp"));
    EXPECT_GE(row(QStringLiteral("huge.img")), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(console.wrongDirectories, 1);
}

TEST_F(FileManagerE2E, SwitchingAgentsMidListingLeavesNoStaleRow)
{
    start({"--file-fault", "hold-listing:700"});
    show(kLx, QStringLiteral("/etc"));
    ASSERT_TRUE(waitUntil([&] { return fm.Remote()->GetObjectCount() >= 2; })); // the first half is in
    ASSERT_TRUE(fm.Remote()->IsBrowsing());

    // To another agent and back at once: the first agent's old listing is still arriving.
    show(kXpe, QStringLiteral("C:\\HMI"));
    EXPECT_EQ(names(), QStringList{QStringLiteral("..")});
    show(kLx, QStringLiteral("/usr/bin"));
    ASSERT_TRUE(waitUntil([&] { return !fm.Remote()->IsBrowsing(); }, 8000));
    QStringList expected{QStringLiteral(".."), QStringLiteral("collect.sh"), QStringLiteral("tarn-agent")};
    EXPECT_EQ(names(), expected);
    // Whatever else was on its way changes nothing.
    QDeadlineTimer settle(900);
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(names(), expected);
}

} // namespace
