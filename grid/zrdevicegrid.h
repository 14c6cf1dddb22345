// The device information panel: a large picture of the device and six labelled facts below it,
// laid out on a fixed grid without headings or scroll bars.
#pragma once

#include "zrgrid_global.h"

#include <ugctrl.h>

#include <QFont>
#include <QPen>
#include <QRect>

class ZRGRID_EXPORT CZRDeviceGrid : public CUGCtrl
{
    Q_OBJECT

public:
    explicit CZRDeviceGrid(QWidget* parent = nullptr);
    ~CZRDeviceGrid() override;

    void OnSetup() override;
    // Model, agent version, firmware, OS version, CPU type, host name; redraws once.
    void SetBaseInfo(QString model, QString agentVersion, QString firmwareVersion, QString osVersion, QString cpuType,
                     QString hostname);
    // The bitmap registered under index; the cell is rewritten only when it changes. 1.
    int SetImage(int index);
    // Registers a picture resource and shows it; 0 for id 0 (out left alone), else 1.
    int SetImage(int resourceId, int* outIndex);
    // Registers a bitmap file and shows it; 0 (out -1, former picture kept) when it can't be read.
    int SetImage(const QString& filePath, int* outIndex);
    void ClearAllInfo();
    // The size the grid needs.
    void GetGridRect(QRect* rect) const;

    // Cells of the layout.
    static constexpr int kPictureCol = 1, kPictureRow = 1;
    static constexpr int kValueColA = 3, kValueColB = 7, kFirstInfoRow = 12;

    QColor OnGetDefBackColor(int section) override;
    int OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags) override;
    int OnHint(int col, long row, int section, QString* string) override;

protected:
    void SetGridConfig();
    void SetupSubTitle(int col, long row, const QString& text);
    void SetupSubSubTitle(int col, long row, const QString& text);
    void SetInfoText(int col, long row, const QString& text);

private:
    QPen m_pen;
    QFont m_bodyFont;
    QFont m_captionFont;
    QFont m_titleFont;
};
