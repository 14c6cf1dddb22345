// The auto-launch list: trimming, adding, refusing what the agent could not carry back, deleting,
// moving blocks of rows, and the list handed over on OK.
#include "sent.h"
#include "zrautolaunchdlg.h"

#include <messagebox.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

QStringList L(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* i : items)
        out << QString::fromUtf8(i);
    return out;
}

struct Applied
{
    QStringList list;
    int number = -1;
    void* context = nullptr;
    QString key;
    int calls = 0;
};
Applied applied;

int recordList(QStringList list, int number, void* context, const QString& key)
{
    applied.list = std::move(list);
    applied.number = number;
    applied.context = context;
    applied.key = key;
    ++applied.calls;
    return 1;
}

struct AutoLaunchDlg : ::testing::Test
{
    AutoLaunchDlg()
    {
        applied = {};
        SetMessageHandler([this](const MessageRecord& r) {
            boxes.push_back(r);
            return r.buttons == MB_OKCANCEL ? confirm : IDOK;
        });
        dlg = std::make_unique<CZRAutoLaunchDlg>(nullptr, 1);
        dlg->SetNick(QStringLiteral("Plant|10.1.0.1"));
        dlg->AddTitleInfo(QStringLiteral("10.1.0.1"));
        dlg->SetApplyAction(&recordList, 0, &context);
    }
    ~AutoLaunchDlg() override
    {
        dlg.reset();
        SetMessageHandler({});
    }
    void add(const QString& program, const QString& arguments)
    {
        dlg->programEdit()->setText(program);
        dlg->argumentsEdit()->setText(arguments);
        dlg->OnAdd();
    }
    QStringList programs() const
    {
        QStringList out;
        for (int i = 0; i < dlg->GetListCount(); ++i) {
            QString p, a;
            dlg->GetListAutoLaunch(i, p, a);
            out << p;
        }
        return out;
    }
    void fillABCDE()
    {
        for (const char* p : {"a", "b", "c", "d", "e"})
            dlg->AddAutoLaunch(QString::fromLatin1(p), QString());
        dlg->OnInitDialog();
    }
    int context = 0;
    int confirm = IDOK;
    std::unique_ptr<CZRAutoLaunchDlg> dlg;
    std::vector<MessageRecord> boxes;
};

TEST(AutoLaunchTrim, QuotesAndBlanks)
{
    EXPECT_EQ(CZRAutoLaunchDlg::TrimCommand(QStringLiteral("  \"C:\\app.exe\"  ")),
              QStringLiteral("C:\\app.exe"));
    EXPECT_EQ(CZRAutoLaunchDlg::TrimCommand(QStringLiteral("\" /x \"")), QStringLiteral("/x"));
    EXPECT_EQ(CZRAutoLaunchDlg::TrimCommand(QStringLiteral("\"")), QString());
    EXPECT_EQ(CZRAutoLaunchDlg::TrimCommand(QStringLiteral("\t-a \"b\" c\t")), QStringLiteral("-a \"b\" c"));
    EXPECT_EQ(CZRAutoLaunchDlg::TrimCommand(QStringLiteral("\"\"\"x\"\"\"")), QStringLiteral("\"x\""));
}

TEST_F(AutoLaunchDlg, OpensWithTheListAndItsColumns)
{
    dlg->AddAutoLaunch(QStringLiteral("/usr/bin/tarn-agent"), QStringLiteral("--daemon"));
    dlg->AddAutoLaunch(QStringLiteral("/usr/sbin/httpd"), QStringLiteral("-h /www"));
    EXPECT_EQ(dlg->GetAutoLaunchCount(), 2);
    QString p, a;
    EXPECT_FALSE(dlg->GetAutoLaunch(2, p, a));
    dlg->OnInitDialog();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Auto Launch - 10.1.0.1"));
    EXPECT_EQ(dlg->listCtrl()->headerItem()->text(0), QStringLiteral("Program"));
    EXPECT_EQ(dlg->listCtrl()->headerItem()->text(1), QStringLiteral("Arguments"));
    EXPECT_EQ(dlg->listCtrl()->header()->sectionSize(0), 115);
    ASSERT_EQ(dlg->GetListCount(), 2);
    ASSERT_TRUE(dlg->GetListAutoLaunch(1, p, a));
    EXPECT_EQ(p, QStringLiteral("/usr/sbin/httpd"));
    EXPECT_EQ(a, QStringLiteral("-h /www"));
    EXPECT_FALSE(dlg->button(CZRAutoLaunchDlg::IDC_DELETE)->isEnabled());
}

TEST_F(AutoLaunchDlg, AddTrimsAndAnEmptyProgramAddsNothing)
{
    dlg->OnInitDialog();
    add(QStringLiteral("  \"C:\\app.exe\"  "), QString());
    add(QStringLiteral("\""), QStringLiteral("-x"));
    ASSERT_EQ(dlg->GetListCount(), 1);
    QString p, a;
    dlg->GetListAutoLaunch(0, p, a);
    EXPECT_EQ(p, QStringLiteral("C:\\app.exe"));
    EXPECT_EQ(a, QString());
    EXPECT_TRUE(dlg->programEdit()->text().isEmpty());
    EXPECT_EQ(dlg->argumentsEdit()->text(), QStringLiteral("-x")); // left as typed
    dlg->OnOK();
    EXPECT_EQ(applied.list, QStringList{QStringLiteral("\"C:\\app.exe\" \"\"")});
}

TEST_F(AutoLaunchDlg, EntriesTheAgentCouldNotCarryBackAreRefused)
{
    dlg->OnInitDialog();
    add(QStringLiteral("C:\\a \"b\".exe"), QString());
    add(QStringLiteral("C:\\ok.exe"), QStringLiteral("say \"hi\""));
    EXPECT_EQ(dlg->GetListCount(), 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Auto Launch"));
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("double quote")));
    EXPECT_EQ(dlg->programEdit()->text(), QStringLiteral("C:\\ok.exe")); // kept for correcting

    // Together at most 1017 bytes on the wire: the reply then stays below 1023.
    const QString longProgram(600, u'p');
    add(longProgram, QString(417, u'a'));
    EXPECT_EQ(dlg->GetListCount(), 1);
    add(longProgram, QString(418, u'a'));
    EXPECT_EQ(dlg->GetListCount(), 1);
    EXPECT_EQ(boxes.size(), 3u);
    // Bytes, not characters: three bytes each in UTF-8.
    EXPECT_FALSE(CZRAutoLaunchDlg::CanCarry(QString(340, QChar(0x20AC)), QString()));
    EXPECT_TRUE(CZRAutoLaunchDlg::CanCarry(QString(339, QChar(0x20AC)), QString()));
}

TEST_F(AutoLaunchDlg, DeleteAsksAndRemovesEverySelectedRow)
{
    fillABCDE();
    dlg->SelectRows({1, 3});
    confirm = IDCANCEL;
    dlg->OnDelete();
    EXPECT_EQ(dlg->GetListCount(), 5);
    confirm = IDOK;
    dlg->OnDelete();
    EXPECT_EQ(programs(), (L({"a", "c", "e"})));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, QStringLiteral("Are you sure you want to delete?"));
    EXPECT_EQ(boxes[1].caption, QStringLiteral("Auto Launch"));
    EXPECT_EQ(boxes[1].icon, unsigned(MB_ICONQUESTION));
    dlg->OnDelete(); // nothing selected: no question
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(AutoLaunchDlg, MovingBlocksOfAdjacentRowsKeepsTheirOrder)
{
    fillABCDE();
    dlg->SelectRows({1, 2});
    dlg->OnMoveDown();
    EXPECT_EQ(programs(), (L({"a", "d", "b", "c", "e"})));
    EXPECT_EQ(dlg->SelectedRows(), (QList<int>{2, 3}));
    dlg->OnMoveDown();
    EXPECT_EQ(programs(), (L({"a", "d", "e", "b", "c"})));
    dlg->OnMoveDown(); // the last row is among them: nothing moves
    EXPECT_EQ(programs(), (L({"a", "d", "e", "b", "c"})));
    dlg->OnMoveUp();
    EXPECT_EQ(programs(), (L({"a", "d", "b", "c", "e"})));
    EXPECT_EQ(dlg->SelectedRows(), (QList<int>{2, 3}));
    dlg->SelectRows({0, 2});
    dlg->OnMoveUp(); // row 0 is among them: nothing moves
    EXPECT_EQ(programs(), (L({"a", "d", "b", "c", "e"})));
    dlg->SelectRows({1, 3});
    dlg->OnMoveUp();
    EXPECT_EQ(programs(), (L({"d", "a", "c", "b", "e"})));
}

TEST_F(AutoLaunchDlg, OkHandsOverTheListInRowOrderAndCancelNothing)
{
    dlg->AddAutoLaunch(QStringLiteral("/bin/a"), QStringLiteral("-1"));
    dlg->AddAutoLaunch(QStringLiteral("/bin/b"), QString());
    dlg->OnInitDialog();
    dlg->SelectRows({1});
    dlg->OnMoveUp();
    dlg->OnOK();
    EXPECT_EQ(applied.calls, 1);
    EXPECT_EQ(applied.list, (L({"\"/bin/b\" \"\"", "\"/bin/a\" \"-1\""})));
    EXPECT_EQ(applied.number, 0);
    EXPECT_EQ(applied.context, &context);
    EXPECT_EQ(applied.key, QStringLiteral("Plant|10.1.0.1"));
    EXPECT_EQ(dlg->GetAutoLaunchCount(), 2);

    CZRAutoLaunchDlg other(nullptr, 1);
    other.SetApplyAction(&recordList, 0, &context);
    other.OnInitDialog();
    other.OnCancel();
    EXPECT_EQ(applied.calls, 1);
}

TEST_F(AutoLaunchDlg, AnEmptyListIsStillHandedOverAndNoCallbackMeansNoList)
{
    dlg->OnInitDialog();
    applied.list = QStringList{QStringLiteral("stale")};
    dlg->OnOK();
    EXPECT_EQ(applied.calls, 1);
    EXPECT_TRUE(applied.list.isEmpty());
    CZRAutoLaunchDlg bare(nullptr, 1);
    EXPECT_EQ(bare.GetAutoLaunchList(), nullptr);
}

TEST_F(AutoLaunchDlg, ASelfDeletingDialogHandsOverFromCopies)
{
    QPointer<CZRAutoLaunchDlg> own = new CZRAutoLaunchDlg(nullptr, 0);
    own->SetNick(QStringLiteral("Plant|10.1.0.4"));
    own->SetApplyAction(&recordList, 0, &context);
    own->AddAutoLaunch(QStringLiteral("/bin/x"), QString());
    own->show();
    own->OnOK();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(own.isNull());
    EXPECT_EQ(applied.key, QStringLiteral("Plant|10.1.0.4"));
    EXPECT_EQ(applied.list, QStringList{QStringLiteral("\"/bin/x\" \"\"")});
}

} // namespace
