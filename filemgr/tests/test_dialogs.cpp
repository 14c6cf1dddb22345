// The permission editor, the prompt, the remote-directory file dialog and the path history box.
#include "fmtest.h"
#include "zrdialogs.h"
#include "zrhistorycombo.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

TEST(ChangeMode, ChecksAndDigitsFollowEachOther)
{
    CZRChangeModeDlg dlg;
    EXPECT_EQ(dlg.GetNumericText(), QStringLiteral("000"));
    dlg.Check(0, 0)->click();
    dlg.Check(0, 1)->click();
    dlg.Check(0, 2)->click();
    dlg.Check(1, 0)->click();
    EXPECT_EQ(dlg.GetNumericText(), QStringLiteral("740"));
    EXPECT_EQ(dlg.GetMode(), 740);

    dlg.NumericEdit()->selectAll();
    QTest::keyClicks(dlg.NumericEdit(), QStringLiteral("644"));
    EXPECT_EQ(dlg.GetMode(), 644);
    const bool expected[9] = {true, true, false, true, false, false, true, false, false};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(dlg.Check(i / 3, i % 3)->isChecked(), expected[i]) << i;

    dlg.SetNumericMode(quint16(755));
    EXPECT_EQ(dlg.GetNumericText(), QStringLiteral("755"));
    EXPECT_TRUE(dlg.Check(2, 2)->isChecked());
}

TEST(ChangeMode, DescriptionNamesTheObjectAndBadDigitsAreNoMode)
{
    CZRChangeModeDlg dlg;
    dlg.SetObject(0, QStringLiteral("tmp"));
    EXPECT_TRUE(dlg.GetDescription().endsWith(QStringLiteral(" directory (tmp).")));
    dlg.SetObject(1, QStringLiteral("a.sh"));
    EXPECT_TRUE(dlg.GetDescription().endsWith(QStringLiteral(" file (a.sh).")));

    dlg.NumericEdit()->setText(QStringLiteral("79"));
    EXPECT_EQ(dlg.GetMode(), -1);
    dlg.NumericEdit()->setText(QStringLiteral("9"));
    EXPECT_EQ(dlg.GetMode(), -1);
    dlg.NumericEdit()->setText(QString());
    EXPECT_EQ(dlg.GetMode(), -1);

    // OK with no mode is refused with a message and keeps the dialog open.
    Answering answers;
    dlg.NumericEdit()->setText(QStringLiteral("8"));
    dlg.accept();
    EXPECT_EQ(dlg.result(), 0);
    ASSERT_EQ(answers.boxes.size(), 1u);
}

TEST(InputBox, ShowsTitlePromptAndValueAndReturnsTheTypedValue)
{
    Answering answers;
    CZRInputBox box;
    box.m_title = QStringLiteral("Run");
    box.m_prompt = QStringLiteral("Please enter the argument:");
    box.m_value = QStringLiteral("old");
    answers.dialog = [](QDialog* d) {
        auto* b = static_cast<CZRInputBox*>(d);
        EXPECT_EQ(b->windowTitle(), QStringLiteral("Run"));
        EXPECT_EQ(b->ValueEdit()->selectedText(), QStringLiteral("old"));
        b->ValueEdit()->setText(QStringLiteral("-v now"));
        return int(QDialog::Accepted);
    };
    EXPECT_EQ(box.DoModal(), int(QDialog::Accepted));
    EXPECT_EQ(box.m_value, QStringLiteral("-v now"));

    answers.dialog = [](QDialog* d) {
        static_cast<CZRInputBox*>(d)->ValueEdit()->setText(QStringLiteral("ignored"));
        return int(QDialog::Rejected);
    };
    box.DoModal();
    EXPECT_EQ(box.m_value, QStringLiteral("-v now"));
}

TEST(FileDialog, RemoteDirectoryIsReadOnConfirmation)
{
    QTemporaryDir dir;
    CZRFileDialog dlg(true, QString(), QString(), 0, QString());
    dlg.setDirectory(dir.path());
    dlg.SetRemoteDir(QStringLiteral("/tmp"));
    ASSERT_NE(dlg.RemoteDirEdit(), nullptr);
    EXPECT_EQ(dlg.RemoteDirEdit()->text(), QStringLiteral("/tmp"));
    dlg.RemoteDirEdit()->setText(QStringLiteral("/opt/app"));
    EXPECT_EQ(dlg.GetRemoteDir(), QStringLiteral("/tmp")); // not before confirmation
    dlg.accept();
    EXPECT_EQ(dlg.GetRemoteDir(), QStringLiteral("/opt/app"));
}

namespace {
// The box's callback: records the path and answers as told.
struct ComboHost
{
    static inline std::vector<QString> asked;
    static inline int answer = 1;
    static int Proc(const QString& argument, QWidget*, int, const QString&)
    {
        asked.push_back(argument);
        return answer;
    }
};

struct HistoryTest : ::testing::Test
{
    HistoryTest()
    {
        CZRHistoryCombo::SetHistoryStore(dir.filePath(QStringLiteral("history.ini")));
        ComboHost::asked.clear();
        ComboHost::answer = 1;
    }
    ~HistoryTest() override { CZRHistoryCombo::SetHistoryStore(QString()); }
    void type(CZRHistoryCombo& c, const QString& text)
    {
        c.lineEdit()->setText(text);
        QTest::keyClick(c.lineEdit(), Qt::Key_Return); // where the operator types
    }
    QTemporaryDir dir;
};
} // namespace

TEST_F(HistoryTest, EnterNormalisesSeparatorsAndAsksOnce)
{
    CZRHistoryCombo c;
    c.SetRequestProc(&ComboHost::Proc, nullptr, 1326);
    type(c, QStringLiteral("C:/Program Files/Tarn"));
    ASSERT_EQ(ComboHost::asked.size(), 1u);
    EXPECT_EQ(ComboHost::asked[0], QStringLiteral("C:\\Program Files\\Tarn"));
    EXPECT_EQ(c.GetCurrentText(), QStringLiteral("C:\\Program Files\\Tarn"));
    EXPECT_TRUE(c.IsTyped());
    type(c, QStringLiteral("C:\\Program Files\\Tarn")); // the current text again: no request
    EXPECT_EQ(ComboHost::asked.size(), 1u);

    c.SetSeparatorStyle(0);
    type(c, QStringLiteral("\\usr\\bin"));
    EXPECT_EQ(ComboHost::asked.back(), QStringLiteral("/usr/bin"));
}

TEST_F(HistoryTest, ARequestNotSentChangesNothingAndEntersNoHistory)
{
    CZRHistoryCombo c;
    c.SetRequestProc(&ComboHost::Proc, nullptr, 1326);
    c.SetSeparatorStyle(0);
    type(c, QStringLiteral("/etc"));
    ComboHost::answer = 0;
    type(c, QStringLiteral("/nowhere"));
    EXPECT_EQ(c.GetCurrentText(), QStringLiteral("/etc"));
    EXPECT_EQ(c.currentText(), QStringLiteral("/etc"));
    EXPECT_EQ(c.History(), QStringList{QStringLiteral("/etc")});
    EXPECT_FALSE(c.RequestPath(QStringLiteral("/var")));
    EXPECT_EQ(c.History(), QStringList{QStringLiteral("/etc")});
}

TEST_F(HistoryTest, NewestFirstWithoutDuplicatesKeptPerKey)
{
    {
        CZRHistoryCombo c;
        c.SetSeparatorStyle(0);
        c.SetAutoPersistent(QStringLiteral("RemoteBrowse"));
        c.SetRequestProc(&ComboHost::Proc, nullptr, 1326);
        type(c, QStringLiteral("/a"));
        type(c, QStringLiteral("/b"));
        type(c, QStringLiteral("/a"));
        EXPECT_EQ(c.History(), (QStringList{QStringLiteral("/a"), QStringLiteral("/b")}));
        for (int i = 0; i < CZRHistoryCombo::kMaxHistory + 5; ++i)
            c.SetText(QStringLiteral("/d%1").arg(i));
        EXPECT_EQ(c.count(), CZRHistoryCombo::kMaxHistory);
    }
    CZRHistoryCombo again;
    again.SetAutoPersistent(QStringLiteral("RemoteBrowse"));
    EXPECT_EQ(again.count(), CZRHistoryCombo::kMaxHistory);
    EXPECT_EQ(again.itemText(0), QStringLiteral("/d%1").arg(CZRHistoryCombo::kMaxHistory + 4));
    CZRHistoryCombo other;
    other.SetAutoPersistent(QStringLiteral("LocalBrowse"));
    EXPECT_EQ(other.count(), 0);
}

TEST_F(HistoryTest, AWrongTypedPathLeavesTheHistoryAChosenOneStays)
{
    CZRHistoryCombo c;
    c.SetSeparatorStyle(0);
    c.SetRequestProc(&ComboHost::Proc, nullptr, 1326);
    type(c, QStringLiteral("/good"));
    type(c, QStringLiteral("/typo"));
    c.WrongDirectory();
    EXPECT_EQ(c.History(), QStringList{QStringLiteral("/good")});

    c.SetText(QStringLiteral("/other"));
    const int at = c.findText(QStringLiteral("/good"));
    c.setCurrentIndex(at);
    emit c.activated(at);
    EXPECT_EQ(c.GetCurrentText(), QStringLiteral("/good"));
    EXPECT_FALSE(c.IsTyped());
    c.WrongDirectory();
    EXPECT_TRUE(c.History().contains(QStringLiteral("/good")));
}
