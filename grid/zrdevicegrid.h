// The device information panel's grid: a large device picture over six labelled facts, laid out on
// a fixed grid with no headings and no scroll bars.
#pragma once

#include "ugctrl.h"
#include "zrgrid_global.h"

#include <QFont>
#include <QPen>

class ZRGRIDU_EXPORT CZRDeviceGrid : public CUGCtrl
{
    Q_OBJECT

public:
    explicit CZRDeviceGrid(QWidget* parent = nullptr);
    ~CZRDeviceGrid() override;

    // Arguments in this order; the rows show them as Model Name, Firmware Version, Agent Version,
    // CPU Type, OS Version, Hostname.
    void SetBaseInfo(QString model, QString agentVersion, QString firmwareVersion, QString osVersion,
                     QString cpuType, QString hostname);
    // Shows a picture already added to the grid. Always 1.
    int SetImage(int index);
    // Adds a picture resource of the program and shows it. 0 for id 0 (outIndex untouched) and for a
    // resource that cannot be loaded (outIndex -1, the former picture stays); else 1.
    int SetImage(int resourceId, int* outIndex);
    // Adds a picture file and shows it; outIndex gets the new index or -1. 0 when the file cannot be
    // read (the former picture stays), else 1.
    int SetImage(const QString& filePath, int* outIndex);
    // Empties the picture and the six values; the captions stay.
    void ClearAllInfo();
    // The size the grid needs, at (0, 0): side heading plus every column, top heading plus every row.
    void GetGridRect(QRect* rect) const;
    QRect GetGridRect() const;

    // Cells of the layout.
    static constexpr int kPictureCol = 1, kPictureRow = 1;
    static constexpr int kValueColA = 3, kValueColB = 7, kFirstInfoRow = 12;

    void OnSetup() override;
    QColor OnGetDefBackColor(int section) override;
    int OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags) override;
    int OnHint(int col, long row, int section, QString* string) override;

protected:
    void SetGridConfig();
    // Caption style: dark green band, white bold text, right-aligned.
    void SetupSubTitle(int col, long row, const QString& text);
    // Second caption style: dark text in the caption font, left-aligned, background unchanged.
    void SetupSubSubTitle(int col, long row, const QString& text);
    // Value style: left-aligned text.
    void SetInfoText(int col, long row, const QString& text);

private:
    QPen m_pen;
    QFont m_font;
    QFont m_captionFont;
    QFont m_titleFont;
};
