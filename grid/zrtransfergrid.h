// The transfer list: a row per file going to or from one agent, with its status, the agent, the
// local and remote paths and a progress bar. Rows are found by what they hold, never by position,
// so they stay reachable through sorting and clearing.
#pragma once

#include "ugctrl.h"
#include "zrgrid_global.h"

#include <QFont>
#include <QString>

#include <functional>

// The private record of a row's status cell.
struct ZRTransferRecord
{
    qint32 status = 0;
    qint32 reserved = 0;
    quint64 transferred = 0;
    quint64 total = 0;
};
static_assert(sizeof(ZRTransferRecord) == 24);

class ZRGRIDU_EXPORT CZRTransferGrid : public CUGCtrl
{
    Q_OBJECT

public:
    explicit CZRTransferGrid(QWidget* parent = nullptr);
    ~CZRTransferGrid() override;

    enum : int { kColStatus = 0, kColDevice, kColLocal, kColRemote, kColProgress, kCols };
    enum : int {
        kWaiting = 1,
        kProceedToGateway = 2,
        kTransferring = 3,
        kTransferringFirmware = 4,
        kFinished = 5,
        kFailed = 6
    };
    // String ids of the column captions ("caption\nwidth").
    static constexpr int kCaptionIds[kCols] = {9018, 9000, 9019, 9020, 9021};
    static constexpr int kDeviceWidth = 100;

    // The status's place in the icon list (0 to 5) and its text; -1 outside 1 to 6.
    int GetStatusInfo(int status, QString* text = nullptr) const;

    // device is the agent's key, "gateway|address": the same address behind two gateways is two
    // agents. The row shows the address. Nothing is added for a status outside 1 to 6. Returns the
    // new row or -1.
    long AddItem(int status, const QString& device, const QString& localFile, const QString& remoteFile,
                 quint64 totalBytes);
    // The first row of that agent in that status with exactly these paths; -1 when none.
    long FindFirstItem(int status, const QString& device, const QString& localFile,
                       const QString& remoteFile) const;
    // Moves the row from expectedStatus to newStatus (both 1 to 6), taking the counts that are
    // given. 1 when the row changed.
    int UpdateStatus(long row, int newStatus, int expectedStatus, const quint64* transferred = nullptr,
                     const quint64* total = nullptr);
    int UpdateItem(int newStatus, int expectedStatus, const QString& device, const QString& localFile,
                   const QString& remoteFile, const quint64* transferred = nullptr,
                   const quint64* total = nullptr);
    // Every row of the local file (any agent) in expectedStatus; returns how many changed.
    int UpdateItems(int newStatus, int expectedStatus, const QString& localFile,
                    const quint64* transferred = nullptr, const quint64* total = nullptr);

    // status 0: a row not yet Finished or Failed becomes Failed; otherwise only a row in that status.
    int SetFail(long row, int status);
    // Every row when device is null, else the rows of that agent key. Returns how many failed.
    int SetItemFail(const QString* device, int status);
    // The rows of every agent behind the gateway (a lost connection ends only its own transfers).
    int SetGatewayFail(const QString& gateway, int status);

    int RemoveItem(int status, const QString& device, const QString& localFile, const QString& remoteFile);
    // 0 removes every row; otherwise the rows in that status. Returns how many went.
    long RemoveAllItems(int status);
    // Removes the Finished and Failed rows, nothing else.
    long ClearDone();

    // Reading a row back.
    int GetRowStatus(long row) const;
    ZRTransferRecord GetRecord(long row) const;
    QString GetDevice(long row) const;
    int GetProgress(long row) const;

    // The shown percentage: 0 for an empty total, 100 when all (or more) has arrived, truncated
    // below that, and 100 for a finished transfer whatever its counts.
    static int Percentage(quint64 transferred, quint64 total, int status);
    // The parts of an agent key, split at its first bar as the core splits it; a key without a
    // bar is all address and no gateway.
    static QString AddressOfKey(const QString& key);
    static QString GatewayOfKey(const QString& key);

    int GetSortCol() const { return m_sortCol; }
    bool IsSortAscending() const { return m_sortAsc; }

    void OnSetup() override;
    QColor OnGetDefBackColor(int section) override;
    int OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags) override;
    void OnTH_LClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed) override;
    int OnMenuStart(int col, long row, int section) override;
    int OnEditStart(int col, long row, QWidget** edit) override;

private:
    bool rowMatches(long row, const QString& device, const QString& localFile,
                    const QString& remoteFile) const;
    void writeStatus(long row, int status);
    void sortBy(int col, bool ascending, bool arrow);
    long removeWhere(const std::function<bool(long)>& pred);

    QFont m_font;
    QFont m_headFont;
    int m_bitmaps[6] = {-1, -1, -1, -1, -1, -1};
    int m_sortCol = 0;
    bool m_sortAsc = true;
};
