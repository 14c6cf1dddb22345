#include "zrdevicewnd.h"

#include "zrdevicegrid.h"

#include <QPainter>

CZRDeviceWnd::CZRDeviceWnd(QWidget* parent) : QWidget(parent), m_grid(new CZRDeviceGrid(this))
{
    setAccessibleName(QStringLiteral("Device"));
    m_grid->CreateGrid(kGridId);
    m_grid->setGeometry(QRect());
    m_grid->show();
}

CZRDeviceWnd::~CZRDeviceWnd() = default;

int CZRDeviceWnd::SetImage(int index)
{
    return m_grid->SetImage(index);
}

int CZRDeviceWnd::SetImage(int resourceId, int* outIndex)
{
    return m_grid->SetImage(resourceId, outIndex);
}

int CZRDeviceWnd::SetImage(const QString& filePath, int* outIndex)
{
    return m_grid->SetImage(filePath, outIndex);
}

void CZRDeviceWnd::SetBaseInfo(QString model, QString agentVersion, QString firmwareVersion,
                               QString osVersion, QString cpuType, QString hostname)
{
    m_grid->SetBaseInfo(model, agentVersion, firmwareVersion, osVersion, cpuType, hostname);
}

void CZRDeviceWnd::ClearAllInfo()
{
    m_grid->ClearAllInfo();
}

CZRDeviceGrid* CZRDeviceWnd::GetGrid()
{
    return m_grid;
}

void CZRDeviceWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(241, 255, 213));
}

void CZRDeviceWnd::resizeEvent(QResizeEvent*)
{
    placeGrid();
}

// Centred when the page is larger than the grid, at the origin with the page's size otherwise; each
// direction on its own.
void CZRDeviceWnd::placeGrid()
{
    const QRect need = m_grid->GetGridRect();
    const int W = width(), H = height(), w = need.width(), h = need.height();
    const int x = W > w ? (W - w) / 2 : 0;
    const int y = H > h ? (H - h) / 2 : 0;
    m_grid->setGeometry(x, y, W > w ? w : W, H > h ? h : H);
    m_grid->update();
}
