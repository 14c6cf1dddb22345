// The device information page: paints the panel background and keeps one CZRDeviceGrid centred in
// it (at the origin, clipped, when the page is smaller than the grid).
#pragma once

#include "zrgrid_global.h"

#include <QWidget>

class CZRDeviceGrid;

class ZRGRIDU_EXPORT CZRDeviceWnd : public QWidget
{
    Q_OBJECT

public:
    // Creates the grid (control id 8503) and runs its set-up.
    explicit CZRDeviceWnd(QWidget* parent = nullptr);
    ~CZRDeviceWnd() override;

    // The grid's three forms, same arguments and results.
    int SetImage(int index);
    int SetImage(int resourceId, int* outIndex);
    int SetImage(const QString& filePath, int* outIndex);
    void SetBaseInfo(QString model, QString agentVersion, QString firmwareVersion, QString osVersion,
                     QString cpuType, QString hostname);
    void ClearAllInfo();
    CZRDeviceGrid* GetGrid();

    static constexpr int kGridId = 8503;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void placeGrid();

    CZRDeviceGrid* m_grid;
};
