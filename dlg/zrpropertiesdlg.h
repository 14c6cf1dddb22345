// The three folders the console remembers: where uploads are taken from, where they go on the
// agent, and where firmware is taken from. The dialog only edits the texts; the console checks and
// stores them.
#pragma once

#include "zrdlg_global.h"

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class ZRDLGU_EXPORT CZRPropertiesDlg : public QDialog
{
    Q_OBJECT

public:
    enum : int {
        IDD = 6007,
        IDC_UPLOAD_LOCAL = 6224,
        IDC_UPLOAD_BROWSE = 6225,
        IDC_UPLOAD_REMOTE = 6227,
        IDC_UPGRADE_LOCAL = 6231,
        IDC_UPGRADE_BROWSE = 6232,
    };

    explicit CZRPropertiesDlg(QWidget* parent = nullptr, int selfDelete = 1);

    void SetUploadDirectory(const QString& local, const QString& remote);
    void SetUpgradeDirectory(const QString& local);
    void GetUploadDirectory(QString& local, QString& remote) const;
    QString GetUploadLocalDir() const { return m_uploadLocal; }
    QString GetUploadRemoteDir() const { return m_uploadRemote; }
    QString GetUpgradeLocalDir() const { return m_upgradeLocal; }

    void OnBrowseUpload();
    void OnBrowseUpgrade();
    void OnOK();
    void OnCancel();

    QLineEdit* uploadLocalEdit() const { return m_uploadLocalEdit; }
    QLineEdit* uploadRemoteEdit() const { return m_uploadRemoteEdit; }
    QLineEdit* upgradeLocalEdit() const { return m_upgradeLocalEdit; }
    QPushButton* button(int id) const;

private:
    void fromEdits();
    void toEdits();

    QString m_uploadLocal;
    QString m_uploadRemote;
    QString m_upgradeLocal;
    QLineEdit* m_uploadLocalEdit;
    QLineEdit* m_uploadRemoteEdit;
    QLineEdit* m_upgradeLocalEdit;
    QPushButton* m_uploadBrowse;
    QPushButton* m_upgradeBrowse;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
