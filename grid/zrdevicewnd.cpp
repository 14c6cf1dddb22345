#include "zrdevicewnd.h"

#include "zrdevicegrid.h"

#include <QPainter>
#include <QResizeEvent>

CZRDeviceWnd::CZRDeviceWnd(QWidget* parent) : QWidget(parent), m_grid(new CZRDeviceGrid(this))
{
    m_grid->setObjectName(QStringLiteral("DeviceGrid"));
    m_grid->CreateGrid(8503);
    m_grid->show();
}

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

void CZRDeviceWnd::SetBaseInfo(QString model, QString agentVersion, QString firmwareVersion, QString osVersion,
                               QString cpuType, QString hostname)
{
    m_grid->SetBaseInfo(model, agentVersion, firmwareVersion, osVersion, cpuType, hostname);
}

void CZRDeviceWnd::ClearAllInfo()
{
    m_grid->ClearAllInfo();
}

void CZRDeviceWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(241, 255, 213));
}

void CZRDeviceWnd::resizeEvent(QResizeEvent* e)
{
    QRect need;
    m_grid->GetGridRect(&need);
    const int W = e->size().width(), H = e->size().height();
    const int x = W > need.width() ? (W - need.width()) / 2 : 0;
    const int y = H > need.height() ? (H - need.height()) / 2 : 0;
    m_grid->setGeometry(x, y, W > need.width() ? need.width() : W, H > need.height() ? need.height() : H);
    m_grid->update();
}
