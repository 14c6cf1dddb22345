// The firmware upgrade dialog: one firmware file and the devices of one gateway. OK starts one
// firmware transfer per selected device through the upgrade action and closes only when the
// action took every one.
#pragma once

#include "zrtargetdlg.h"

class QLineEdit;

class ZRFILEMGRU_EXPORT CZRUpgradeDlg : public CZRTargetDlg
{
    Q_OBJECT

public:
    enum : int { IDD = 10002 };
    // The remote path every firmware transfer names.
    static constexpr const char16_t* kRemotePath = u"firmware";

    explicit CZRUpgradeDlg(QWidget* parent = nullptr, int selfDelete = 0);

    void SetRequestUpgrade(ZRTransferAction action, int code, void* context);
    // The "Browse..." step: 1 when a file was chosen.
    int GetFile();
    QString GetUpgradeFile() const;
    void SetUpgradeFile(const QString& path);
    QLineEdit* FileEdit() const { return m_file; }
    // Calls the upgrade action once per selected device without closing; the number of calls it
    // refused, or -1 when the file cannot be read.
    int ApplyUpgrade();

    void accept() override;

private:
    ZRTransferAction m_action = nullptr;
    int m_code = 0;
    void* m_context = nullptr;
    QLineEdit* m_file;
};
