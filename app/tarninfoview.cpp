#include "tarninfoview.h"

#include "resource.h"

#include <resources.h>
#include <zrdevicewnd.h>
#include <zrdevlistgrid.h>
#include <zrdevlistwnd.h>
#include <zrfilemgrwnd.h>
#include <zrprocessgrid.h>
#include <zrservicegrid.h>
#include <zrtransferwnd.h>

#include <QPainter>
#include <QResizeEvent>

namespace {
const QColor kBackground(241, 255, 213);
}

CTarnInfoView::CTarnInfoView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("InfoView"));
    setAccessibleName(QStringLiteral("Information"));
    setAutoFillBackground(false);
    m_devList = new CZRDevListWnd(this);
    m_devList->setObjectName(QStringLiteral("Page%1").arg(IDC_DEVLIST));
    m_devList->setAccessibleName(QStringLiteral("Device list"));
    m_service = new CZRServiceGrid(this);
    m_service->setObjectName(QStringLiteral("Page%1").arg(IDC_SERVICE));
    m_service->setAccessibleName(QStringLiteral("Service monitor"));
    m_service->CreateGrid(IDC_SERVICE);
    m_process = new CZRProcessGrid(this);
    m_process->setObjectName(QStringLiteral("Page%1").arg(IDC_PROCESS));
    m_process->setAccessibleName(QStringLiteral("Process manager"));
    m_process->CreateGrid(IDC_PROCESS);
    m_device = new CZRDeviceWnd(this);
    m_device->setObjectName(QStringLiteral("DeviceWnd"));
    m_device->setAccessibleName(QStringLiteral("Device information"));
    m_fileMgr = new CZRFileMgrWnd(this);
    m_fileMgr->CreateWnd(0, QRect(), this, IDC_FILEMGR);
    m_fileMgr->setObjectName(QStringLiteral("Page%1").arg(IDC_FILEMGR));
    m_fileMgr->setAccessibleName(QStringLiteral("File manager"));
    m_transfer = new CZRTransferWnd(this);
    m_transfer->CreateWnd(0, QRect(), this, IDC_TRANSFER);
    m_transfer->setObjectName(QStringLiteral("Page%1").arg(IDC_TRANSFER));
    m_transfer->setAccessibleName(QStringLiteral("Transfer list"));
    m_logo = LoadResBitmap(IDB_LOGO);

    m_pages = {{PAGE_DEVLIST, m_devList}, {PAGE_PROCESS, m_process},   {PAGE_SERVICE, m_service},
               {PAGE_FILEMGR, m_fileMgr}, {PAGE_TRANSFER, m_transfer}, {PAGE_DEVICE, m_device}};
    for (const _WndHandler& page : m_pages)
        page.wnd->hide();
}

CTarnInfoView::~CTarnInfoView() = default;

CZRDevListGrid* CTarnInfoView::DevList() const
{
    return m_devList->GetGrid();
}

QWidget* CTarnInfoView::GetPage(int id) const
{
    for (const _WndHandler& page : m_pages)
        if (page.id == id) return page.wnd;
    return nullptr;
}

int CTarnInfoView::AddPage(QWidget* page)
{
    const int id = int(m_pages.size()) + 1;
    page->setParent(this);
    page->setGeometry(rect());
    page->hide();
    m_pages.push_back({quint16(id), page});
    return id;
}

void CTarnInfoView::SwitchPage(int id)
{
    m_background = false;
    if (QWidget* old = GetPage(m_current)) old->hide();
    if (QWidget* now = GetPage(id)) {
        m_current = id;
        now->setGeometry(rect());
        now->show();
        return;
    }
    m_current = 0;
    m_background = true;
    repaint();
}

void CTarnInfoView::resizeEvent(QResizeEvent* e)
{
    for (const _WndHandler& page : m_pages)
        page.wnd->setGeometry(0, 0, e->size().width(), e->size().height());
    QWidget::resizeEvent(e);
}

void CTarnInfoView::paintEvent(QPaintEvent*)
{
    if (!m_background) return;
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    if (m_logo.isNull()) return;
    // Centred, cut to the view when larger.
    const QRect target((width() - m_logo.width()) / 2, (height() - m_logo.height()) / 2, m_logo.width(),
                       m_logo.height());
    p.setClipRect(rect());
    p.drawPixmap(target.topLeft(), m_logo);
}
