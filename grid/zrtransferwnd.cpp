#include "zrtransferwnd.h"

#include "ugctrl.h"
#include "zrsplitterctrl.h"
#include "zrtransfergrid.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
const QColor kPanel(241, 255, 213);
constexpr int kSplitterBar = 7;
} // namespace

// --- one list ----------------------------------------------------------------------------------

CZRTransferListWnd::CZRTransferListWnd(QWidget* parent) : QWidget(parent) {}

CZRTransferListWnd::~CZRTransferListWnd() = default;

int CZRTransferListWnd::CreateWnd(unsigned, const QRect& rect, QWidget* parent, int id)
{
    if (m_grid) return 0;
    if (parent) setParent(parent);
    setObjectName(QString::number(id));
    setGeometry(rect);

    m_frame = new QFrame(this);
    m_frame->setFrameShape(QFrame::Box);
    m_title = new QLabel(QStringLiteral("Transfer"), this);
    m_title->setObjectName(QString::number(kTitleId));
    m_title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_title->setFont(CUGCtrl::MakeFont(QStringLiteral("Arial"), 16, 600));
    m_title->installEventFilter(this);
    m_clear = new QPushButton(QStringLiteral("Clear"), this);
    m_clear->setObjectName(QString::number(kClearId));
    m_clear->setFont(CUGCtrl::MakeFont(QStringLiteral("MS Sans Serif"), 15, 400));
    m_grid = new CZRTransferGrid(this);
    m_grid->setObjectName(QString::number(kGridId));
    m_grid->CreateGrid(kGridId);
    connect(m_clear, &QPushButton::clicked, m_grid, [this] { m_grid->ClearDone(); });
    layoutChildren();
    return 1;
}

void CZRTransferListWnd::SetTitle(const QString& text)
{
    if (m_title) m_title->setText(text);
}

QString CZRTransferListWnd::GetTitle() const
{
    return m_title ? m_title->text() : QString();
}

void CZRTransferListWnd::layoutChildren()
{
    if (!m_grid) return;
    const int w = width(), h = height();
    m_frame->setGeometry(0, 0, w, kStripHeight);
    m_title->setGeometry(1, 1, qMax(0, w - 82), 24);
    m_clear->setGeometry(w - 81, 2, 80, 22);
    m_grid->setGeometry(0, kStripHeight, w, qMax(0, h - kStripHeight));
}

void CZRTransferListWnd::resizeEvent(QResizeEvent*)
{
    layoutChildren();
}

bool CZRTransferListWnd::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_title && e->type() == QEvent::MouseButtonDblClick) {
        emit expandRequested(kExpandCode, this);
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

// --- the window --------------------------------------------------------------------------------

CZRTransferWnd::CZRTransferWnd(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Transfer List"));
}

CZRTransferWnd::~CZRTransferWnd() = default;

int CZRTransferWnd::CreateWnd(unsigned, const QRect& rect, QWidget* parent, int id)
{
    if (m_splitter) return 0;
    if (parent) setParent(parent);
    setObjectName(QString::number(id));
    setGeometry(rect);

    m_splitter = new CZRSplitterCtrl(this);
    m_splitter->Create(this, 0, QRect(QPoint(0, 0), rect.size()), kSplitterId);
    m_splitter->AddRow();
    m_splitter->AddRow();
    m_splitter->AddColumn();

    m_upload = new CZRTransferListWnd;
    m_upload->CreateWnd(0, QRect(), nullptr, kUploadId);
    m_upload->SetTitle(QStringLiteral("  Upload List"));
    m_download = new CZRTransferListWnd;
    m_download->CreateWnd(0, QRect(), nullptr, kDownloadId);
    m_download->SetTitle(QStringLiteral("  Download List"));
    for (CZRTransferListWnd* list : {m_upload, m_download}) {
        list->SetParentWnd(this);
        connect(list, &CZRTransferListWnd::expandRequested, this, [this](int code, CZRTransferListWnd* l) {
            if (code == CZRTransferListWnd::kExpandCode) ExpandList(l);
        });
    }
    m_splitter->SetWindow(0, 0, m_upload);
    m_splitter->SetWindow(1, 0, m_download);

    SetSplitterPos();
    if (!m_splitter->LoadState(m_profile, QStringLiteral("TransferList"), QStringLiteral("Main")) ||
        m_splitter->GetRowCount() != 2 || m_splitter->GetColumnCount() != 1) {
        m_splitter->SetResizeMode(CZRSplitterCtrl::ResizeDynamic);
        m_splitter->SetHeightsForDynamic({50, 50});
    }
    m_splitter->Update();
    return 1;
}

void CZRTransferWnd::SaveState() const
{
    if (m_splitter) m_splitter->SaveState(m_profile, QStringLiteral("TransferList"), QStringLiteral("Main"));
}

CZRTransferListWnd* CZRTransferWnd::GetListWnd(int kind) const
{
    return kind == kKindDownload ? m_download : m_upload;
}

CZRTransferGrid* CZRTransferWnd::gridOf(int kind) const
{
    CZRTransferListWnd* list = GetListWnd(kind);
    return list ? list->GetGrid() : nullptr;
}

int CZRTransferWnd::AddTask(int kind, int status, const QString& device, const QString& localFile,
                            const QString& remoteFile, quint64 totalBytes)
{
    if (CZRTransferGrid* g = gridOf(kind)) g->AddItem(status, device, localFile, remoteFile, totalBytes);
    return 1;
}

int CZRTransferWnd::UpdateTask(int kind, int newStatus, int expectedStatus, const QString& device,
                               const QString& localFile, const QString& remoteFile,
                               const quint64* transferred, const quint64* total)
{
    CZRTransferGrid* g = gridOf(kind);
    if (!g) return 0;
    if (kind == kKindFirmware) {
        if (newStatus == CZRTransferGrid::kTransferring) newStatus = CZRTransferGrid::kTransferringFirmware;
        if (expectedStatus == CZRTransferGrid::kTransferring)
            expectedStatus = CZRTransferGrid::kTransferringFirmware;
    }
    if (!remoteFile.isEmpty())
        return g->UpdateItem(newStatus, expectedStatus, device, localFile, remoteFile, transferred, total);
    return g->UpdateItems(newStatus, expectedStatus, localFile, transferred, total);
}

int CZRTransferWnd::RemoveTask(int status, int kind, const QString& device, const QString& localFile,
                               const QString& remoteFile)
{
    if (CZRTransferGrid* g = gridOf(kind)) g->RemoveItem(status, device, localFile, remoteFile);
    return 1;
}

void CZRTransferWnd::RemoveAllTasks(int kind)
{
    if (CZRTransferGrid* g = gridOf(kind)) g->RemoveAllItems(0);
}

void CZRTransferWnd::ClearDone(int kind)
{
    if (CZRTransferGrid* g = gridOf(kind)) g->ClearDone();
}

void CZRTransferWnd::SetTasksFail(const QString* device)
{
    for (int kind : {kKindFile, kKindDownload})
        if (CZRTransferGrid* g = gridOf(kind)) g->SetItemFail(device, 0);
}

void CZRTransferWnd::SetGatewayFail(const QString& gateway)
{
    for (int kind : {kKindFile, kKindDownload})
        if (CZRTransferGrid* g = gridOf(kind)) g->SetGatewayFail(gateway, 0);
}

int CZRTransferWnd::ApplyNotice(int notification, const QString& key, int type, int status, quint64 done,
                                quint64 total, const QString& localPath, const QString& agentPath)
{
    CZRTransferGrid* g = gridOf(type);
    if (!g) return 0;
    const int kind = type == kKindDownload   ? kKindDownload
                     : type == kKindFirmware ? kKindFirmware
                                             : kKindFile;
    const int moving =
        kind == kKindFirmware ? CZRTransferGrid::kTransferringFirmware : CZRTransferGrid::kTransferring;
    const QString gateway = CZRTransferGrid::GatewayOfKey(key);
    auto sameGateway = [&](long row) {
        const QString k = g->GetDevice(row);
        return k.contains(u'|') && CZRTransferGrid::GatewayOfKey(k) == gateway;
    };
    auto sameFile = [&](long row) { return g->QuickGetText(CZRTransferGrid::kColLocal, row) == localPath; };

    switch (notification) {
    case kAtGateway:
        if (status != 2 && status != 5) return 0;
        return UpdateTask(kind, CZRTransferGrid::kTransferring, CZRTransferGrid::kProceedToGateway, key,
                          localPath, agentPath, &done, &total);
    case kEnded: {
        // The core counts a completed transfer as 6; in the list that is Finished, never Failed.
        if (status != 6) return 0;
        for (int from : {moving, int(CZRTransferGrid::kProceedToGateway), int(CZRTransferGrid::kWaiting)})
            if (g->UpdateItem(CZRTransferGrid::kFinished, from, key, localPath, agentPath, &done, &total))
                return 1;
        return 0;
    }
    case kFailed: {
        int failed = 0;
        if (status == 9) {
            // The gateway leg failed: an upload goes to no agent of that gateway; a download only
            // concerns its own agent. Any row of it that is not over fails, whatever its stage.
            for (long row = 0; row < g->GetNumberRows(); ++row) {
                if (!sameFile(row)) continue;
                const bool affected = kind == kKindDownload
                                          ? g->GetDevice(row) == key &&
                                                g->QuickGetText(CZRTransferGrid::kColRemote, row) == agentPath
                                          : sameGateway(row);
                if (affected) failed += g->SetFail(row, 0);
            }
        } else if (status == 10) {
            // Only this agent's copy failed; a download may fail before it ever reported bytes.
            for (long row = 0; row < g->GetNumberRows(); ++row)
                if (g->GetDevice(row) == key && sameFile(row) &&
                    g->QuickGetText(CZRTransferGrid::kColRemote, row) == agentPath)
                    failed += g->SetFail(row, 0);
        }
        return failed;
    }
    case kProgress: {
        if (status == 1) {
            // The file on its way to the gateway: every agent of that gateway waiting for it; the
            // same file going through another gateway has its own counts.
            int changed = 0;
            for (long row = 0; row < g->GetNumberRows(); ++row)
                if (sameFile(row) && sameGateway(row))
                    changed += g->UpdateStatus(row, CZRTransferGrid::kProceedToGateway,
                                               CZRTransferGrid::kProceedToGateway, &done, &total);
            return changed;
        }
        if (status == 2) {
            if (g->UpdateItem(moving, moving, key, localPath, agentPath, &done, &total)) return 1;
            // A download's bytes move before its file has reached the gateway: its bar moves too.
            if (kind == kKindDownload)
                return g->UpdateItem(CZRTransferGrid::kProceedToGateway, CZRTransferGrid::kProceedToGateway,
                                     key, localPath, agentPath, &done, &total);
        }
        return 0;
    }
    default:
        return 0;
    }
}

void CZRTransferWnd::SetSplitterPos()
{
    if (m_splitter) m_splitter->setGeometry(rect());
}

void CZRTransferWnd::ExpandList(CZRTransferListWnd* list)
{
    if (!m_splitter || !list) return;
    const int h = height();
    const int top = list == m_upload ? h - CZRTransferListWnd::kStripHeight - kSplitterBar
                                     : CZRTransferListWnd::kStripHeight;
    m_splitter->SetResizeMode(CZRSplitterCtrl::ResizeStatic);
    m_splitter->SetHeightForStatic(0, qMax(0, top));
    m_splitter->Update();
}

void CZRTransferWnd::resizeEvent(QResizeEvent*)
{
    SetSplitterPos();
}

void CZRTransferWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kPanel);
}
