// The upload dialog: local files, each with the remote directory it goes to, and the devices of
// one gateway. OK starts one upload per file and selected device through the upload action, in
// file-major order, and closes only when the action took every one.
#pragma once

#include "zrtargetdlg.h"

#include <QList>

class QTreeWidget;

struct _UploadDlg
{
    QString localPath;
    QString remotePath;
};

class ZRFILEMGRU_EXPORT CZRUploadDlg : public CZRTargetDlg
{
    Q_OBJECT

public:
    enum : int { IDD = 10001 };

    explicit CZRUploadDlg(QWidget* parent = nullptr, int selfDelete = 0);

    // Preset of the file dialog's remote-directory field.
    void SetRemoteDirectory(const QString& dir) { m_remoteDir = dir; }
    QString GetRemoteDirectory() const { return m_remoteDir; }
    void SetRequestUpload(ZRTransferAction action, int code, void* context);

    // The file-picking step; 0 when the operator cancelled the file dialog.
    int AddFiles();
    // Inserts a row (name, remote directory, local path) at the position unless it is listed.
    int AddFile(int position, const QString& name, const QString& localPath, const QString& remoteDirectory);
    // Removes the selected rows, last first.
    void DeleteFiles();
    bool IsExist(const QString& name, const QString& localPath, const QString& remoteDirectory) const;
    int GetFileCount() const;
    QTreeWidget* FileList() const { return m_files; }

    void GetUploadList(QList<_UploadDlg>& list) const { list = m_uploads; }
    int GetUploadCount() const { return int(m_uploads.size()); }
    int GetUploadItem(int index, QString& localPath, QString& remotePath) const;
    // Calls the upload action for every pair of upload-list entry and selected device; the
    // number of calls it refused.
    int ApplyUpload();

    void accept() override;

protected:
    void OnOpen() override;

private:
    void onDelete();
    void rebuildUploadList();

    QString m_remoteDir;
    ZRTransferAction m_action = nullptr;
    int m_code = 0;
    void* m_context = nullptr;
    QTreeWidget* m_files;
    QList<_UploadDlg> m_uploads;
};
