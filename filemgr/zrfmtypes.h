// What the file manager hands to the console, and the window messages its panes exchange.
#pragma once

#include "zrfilemgr_global.h"

#include <QEvent>
#include <QString>

#include <functional>

// A transfer the panes ask the console to start; the console owns its copy.
struct _TransferRequest
{
    int kind = 0;         // 0 file upload, 1 firmware upgrade, 2 download
    quint32 reserved = 0; // always 0
    quint64 size = 0;     // uploads: the local file's size
    QString localPath;
    QString remotePath;
};

// The console's request callback: result 0 means nothing was sent. key is the agent key.
using ZRRequestAction = int (*)(const QString& argument, int number, void* context, const QString& key);
// The console's upload and download callbacks.
using ZRTransferAction = int (*)(const _TransferRequest& request, int number, void* context,
                                 const QString& key);
// Cancels a waiting queue task in the console (kind 0, 1 or 2 and both paths); non-zero when the
// console dropped it, so that it never starts.
using ZRTaskAction = int (*)(int kind, const QString& localPath, const QString& remotePath, void* context,
                             const QString& key);

// Window messages between the panes, the history boxes and the lists.
namespace zrfm {
constexpr int ShellRequest = 1325;
constexpr int Browse = 1326;
constexpr int Rename = 1327;
constexpr int DeleteFile = 1328;
constexpr int ChangeMode = 1329;
constexpr int AddFolder = 1330;
constexpr int DeleteDir = 1331;
constexpr int Execute = 1332;
constexpr int Upload = 1333;
constexpr int Download = 1334;
constexpr int LocalBrowse = 1425; // to the local pane; to the window: add a task
constexpr int LocalUpload = 1426;
constexpr int LocalDownload = 1427;
} // namespace zrfm

// One message with its payload; sent synchronously, so the payload lives as long as the handler.
class ZRFILEMGRU_EXPORT CZRFileMsg : public QEvent
{
public:
    CZRFileMsg(int number, QString argument, qint64 wParam = 0)
        : QEvent(QEvent::Type(number)), argument(std::move(argument)), wParam(wParam)
    {
    }
    CZRFileMsg(int number, const _TransferRequest& request)
        : QEvent(QEvent::Type(number)), wParam(0), request(request)
    {
    }
    QString argument;
    qint64 wParam;
    _TransferRequest request;
    int result = 0;
};

class QDialog;
// Modal dialogs of the file manager run through this hook; tests fill the fields and answer.
// Returns QDialog::Accepted or Rejected. An empty handler puts exec() back.
using ZRDialogHandler = std::function<int(QDialog*)>;
ZRFILEMGRU_EXPORT void SetDialogHandler(ZRDialogHandler handler);
ZRFILEMGRU_EXPORT int RunDialog(QDialog* dialog);

class QUrl;
// Local files are opened through the desktop; tests see the request instead.
using ZROpenHandler = std::function<bool(const QUrl&)>;
ZRFILEMGRU_EXPORT void SetOpenHandler(ZROpenHandler handler);
ZRFILEMGRU_EXPORT bool OpenWithDesktop(const QUrl& url);
