// The transfer window: the upload list above the download list, each a title strip with "Clear"
// over a transfer grid. The console adds a row when it queues a transfer and feeds the core's
// transfer notices in through ApplyNotice.
#pragma once

#include "zrgrid_global.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class CZRTransferGrid;
class CZRSplitterCtrl;
class QFrame;
class QLabel;
class QPushButton;
class QSettings;

class ZRGRIDU_EXPORT CZRTransferListWnd : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kTitleId = 37768, kClearId = 37769, kGridId = 37770;
    static constexpr int kStripHeight = 26;
    // What a double click on the title asks of the parent window.
    static constexpr int kExpandCode = 26;

    explicit CZRTransferListWnd(QWidget* parent = nullptr);
    ~CZRTransferListWnd() override;

    int CreateWnd(unsigned style, const QRect& rect, QWidget* parent, int id);
    void SetParentWnd(QWidget* window) { m_parentWnd = window; }
    QWidget* GetParentWnd() const { return m_parentWnd; }
    void SetTitle(const QString& text);
    QString GetTitle() const;
    void Init() {}
    void SetListBkColor(const QColor&) {}

    CZRTransferGrid* GetGrid() const { return m_grid; }
    QPushButton* GetClearButton() const { return m_clear; }
    QLabel* GetTitleLabel() const { return m_title; }

signals:
    // The title was double-clicked: the parent gives this list nearly the whole height.
    void expandRequested(int code, CZRTransferListWnd* list);

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void layoutChildren();

    QFrame* m_frame = nullptr;
    QLabel* m_title = nullptr;
    QPushButton* m_clear = nullptr;
    CZRTransferGrid* m_grid = nullptr;
    QPointer<QWidget> m_parentWnd;
};

class ZRGRIDU_EXPORT CZRTransferWnd : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSplitterId = 8500, kUploadId = 8501, kDownloadId = 8502;
    enum : int { kKindFile = 0, kKindFirmware = 1, kKindDownload = 2 };
    // Notifications of the control core that carry a transfer notice.
    enum : int { kAtGateway = 1595, kEnded = 1597, kFailed = 1598, kProgress = 1599 };

    explicit CZRTransferWnd(QWidget* parent = nullptr);
    ~CZRTransferWnd() override;

    // The profile the splitter state is read from (null: the application's own settings).
    void SetProfile(QSettings* profile) { m_profile = profile; }
    int CreateWnd(unsigned style, const QRect& rect, QWidget* parent, int id);
    // The download list for kind 2, else the upload list.
    CZRTransferListWnd* GetListWnd(int kind) const;
    CZRSplitterCtrl* GetSplitter() const { return m_splitter; }

    // device is the agent's key, "gateway|address"; remoteFile the agent path as the core records
    // it (separators already converted for the agent's system), so that reports find the row.
    int AddTask(int kind, int status, const QString& device, const QString& localFile,
                const QString& remoteFile, quint64 totalBytes);
    // A firmware upgrade's status 3 is shown as 4. An empty remote file updates every row of the
    // local file. Returns how many rows changed.
    int UpdateTask(int kind, int newStatus, int expectedStatus, const QString& device,
                   const QString& localFile, const QString& remoteFile, const quint64* transferred = nullptr,
                   const quint64* total = nullptr);
    int RemoveTask(int status, int kind, const QString& device, const QString& localFile,
                   const QString& remoteFile);
    void RemoveAllTasks(int kind);
    void ClearDone(int kind);
    // Fails the unfinished rows of the agent key on both lists; null: every agent.
    void SetTasksFail(const QString* device);
    // Fails the unfinished rows of every agent behind the gateway on both lists.
    void SetGatewayFail(const QString& gateway);

    // One transfer notice of the core (notification, agent key, the notice's type, status, counts
    // and paths) applied to the rows. Returns how many rows changed.
    int ApplyNotice(int notification, const QString& key, int type, int status, quint64 done, quint64 total,
                    const QString& localPath, const QString& agentPath);

    void SetSplitterPos();
    // Gives the list (nearly) the whole height, leaving the other one's title strip.
    void ExpandList(CZRTransferListWnd* list);
    void SaveState() const;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    CZRTransferGrid* gridOf(int kind) const;

    CZRSplitterCtrl* m_splitter = nullptr;
    CZRTransferListWnd* m_upload = nullptr;
    CZRTransferListWnd* m_download = nullptr;
    QSettings* m_profile = nullptr;
};
