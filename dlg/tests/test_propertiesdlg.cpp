// The Properties dialog: folders chosen through the picker, a cancelled choice, the remote folder
// as typed, and OK against Cancel.
#include "sent.h"
#include "zrpropertiesdlg.h"

#include <picker.h>

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

struct FakePicker : PickerService
{
    QString Folder(QWidget*, const QString& caption, const QString& dir) override
    {
        captions << caption;
        starts << dir;
        return answer;
    }
    QStringList captions, starts;
    QString answer;
};

struct PropertiesDlg : ::testing::Test
{
    PropertiesDlg() { SetPickerService(&picker); }
    ~PropertiesDlg() override { SetPickerService(nullptr); }
    FakePicker picker;
};

TEST_F(PropertiesDlg, BrowsingSetsAFolderAndCancellingLeavesIt)
{
    CZRPropertiesDlg dlg(nullptr, 1);
    dlg.SetUploadDirectory(QStringLiteral("/srv/up"), QStringLiteral("\\Storage Card"));
    dlg.SetUpgradeDirectory(QStringLiteral("/srv/fw"));
    EXPECT_TRUE(dlg.uploadLocalEdit()->isReadOnly());
    EXPECT_FALSE(dlg.uploadRemoteEdit()->isReadOnly());
    EXPECT_TRUE(dlg.upgradeLocalEdit()->isReadOnly());

    picker.answer = QStringLiteral("/srv/new-up");
    dlg.button(CZRPropertiesDlg::IDC_UPLOAD_BROWSE)->click();
    EXPECT_EQ(picker.captions.last(), QStringLiteral("Select the local directory for file upload:"));
    EXPECT_EQ(picker.starts.last(), QStringLiteral("/srv/up"));
    EXPECT_EQ(dlg.uploadLocalEdit()->text(), QStringLiteral("/srv/new-up"));

    picker.answer.clear(); // cancelled
    dlg.button(CZRPropertiesDlg::IDC_UPGRADE_BROWSE)->click();
    EXPECT_EQ(picker.captions.last(), QStringLiteral("Select the local directory for firmware upgrade:"));
    EXPECT_EQ(dlg.upgradeLocalEdit()->text(), QStringLiteral("/srv/fw"));

    dlg.uploadRemoteEdit()->setText(QString()); // accepted as typed, even empty
    dlg.OnOK();
    EXPECT_EQ(dlg.result(), 1);
    QString local, remote;
    dlg.GetUploadDirectory(local, remote);
    EXPECT_EQ(local, QStringLiteral("/srv/new-up"));
    EXPECT_EQ(remote, QString());
    EXPECT_EQ(dlg.GetUpgradeLocalDir(), QStringLiteral("/srv/fw"));
}

TEST_F(PropertiesDlg, CancelKeepsTheTextsGiven)
{
    CZRPropertiesDlg dlg(nullptr, 1);
    dlg.SetUploadDirectory(QStringLiteral("/a"), QStringLiteral("/b"));
    dlg.uploadRemoteEdit()->setText(QStringLiteral("/typed"));
    dlg.OnCancel();
    EXPECT_EQ(dlg.result(), 2);
    EXPECT_EQ(dlg.GetUploadRemoteDir(), QStringLiteral("/b"));
}

} // namespace
