// The window of the device information page: paints the panel's background and keeps the device
// grid centred in it.
#pragma once

#include "zrgrid_global.h"

#include <QString>
#include <QWidget>

class CZRDeviceGrid;

class ZRGRID_EXPORT CZRDeviceWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CZRDeviceWnd(QWidget* parent = nullptr);

    int SetImage(int index);
    int SetImage(int resourceId, int* outIndex);
    int SetImage(const QString& filePath, int* outIndex);
    void SetBaseInfo(QString model, QString agentVersion, QString firmwareVersion, QString osVersion, QString cpuType,
                     QString hostname);
    void ClearAllInfo();
    CZRDeviceGrid* GetGrid() const { return m_grid; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    CZRDeviceGrid* m_grid;
};
