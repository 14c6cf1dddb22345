// One cell of the grid layer: what a cell shows and carries, with a flag per property so that a
// cell which leaves a property unset takes it from its column's default cell and then from the
// grid's default cell.
#pragma once

#include "platformgui_global.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QPen>
#include <QString>

#include <optional>

// Results of the grid operations.
enum : int { UG_SUCCESS = 0, UG_ERROR = 1, UG_NA = -1 };

// Data types of a cell.
enum : int {
    UGCELLDATA_STRING = 1,
    UGCELLDATA_NUMBER = 2,
    UGCELLDATA_BOOL = 3,
    UGCELLDATA_TIME = 4,
    UGCELLDATA_CURRENCY = 5,
};

// Alignment flags; without a vertical flag the text is centred vertically.
enum : short {
    UG_ALIGNLEFT = 1,
    UG_ALIGNRIGHT = 2,
    UG_ALIGNCENTER = 4,
    UG_ALIGNTOP = 8,
    UG_ALIGNBOTTOM = 16,
    UG_ALIGNVCENTER = 32,
};

// Border flags: thin, medium and thick per side. Without any flag the cell draws the grid's light
// lines on its right and bottom edges.
enum : short {
    UG_BDR_LTHIN = 1,
    UG_BDR_TTHIN = 2,
    UG_BDR_RTHIN = 4,
    UG_BDR_BTHIN = 8,
    UG_BDR_LMEDIUM = 16,
    UG_BDR_TMEDIUM = 32,
    UG_BDR_RMEDIUM = 64,
    UG_BDR_BMEDIUM = 128,
    UG_BDR_LTHICK = 256,
    UG_BDR_TTHICK = 512,
    UG_BDR_RTHICK = 1024,
    UG_BDR_BTHICK = 2048,
};

// Cell types. Each is also the id that OnCellTypeNotify reports.
enum : int {
    UGCT_NORMAL = 0,
    UGCT_CHECKBOX = 1,   // the box shows GetBool(); the label text is drawn beside it
    UGCT_PROGRESS = 2,   // GetNumber() as a percentage 0..100, bar in the highlight back colour
    UGCT_PUSHBUTTON = 3, // a button showing the bitmap, else the text
    UGCT_EXPAND = 4,     // a band with a +/- box; GetBool() true means collapsed
    UGCT_SORTARROW = 5,  // text with an up or down arrow (cell type ex flags below)
};

// Cell type ex flags.
enum : long {
    UGCT_CHECKBOXCHECKMARK = 4096, // a tick instead of a cross
    UGCT_SORTARROWUP = 16,
    UGCT_SORTARROWDOWN = 32,
    UGCT_EXPANDNOBOX = 64,     // the band without its +/- box
    UGCT_PROGRESSNOTEXT = 128, // the bar without its percentage
};

// Messages of OnCellTypeNotify.
enum : long {
    UGCT_CHECKBOXSET = 1, // param: the new state (0 or 1); answering 0 keeps the old state
    UGCT_BUTTONDOWN = 2,
    UGCT_BUTTONCLICK = 3, // released over the button it went down on
    UGCT_EXPANDCLICK = 4, // param: the new collapsed state; answering 0 keeps the old state
};

class TARNPLATFORMGUI_EXPORT CUGCell
{
public:
    // Which properties the cell sets itself.
    enum Property : quint32 {
        TextSet = 1u << 0,
        LabelSet = 1u << 1,
        ParamSet = 1u << 2,
        PrivateSet = 1u << 3,
        DataTypeSet = 1u << 4,
        BackColorSet = 1u << 5,
        TextColorSet = 1u << 6,
        HBackColorSet = 1u << 7,
        HTextColorSet = 1u << 8,
        FontSet = 1u << 9,
        AlignSet = 1u << 10,
        BorderSet = 1u << 11,
        BorderColorSet = 1u << 12,
        CellTypeSet = 1u << 13,
        CellTypeExSet = 1u << 14,
        BitmapSet = 1u << 15,
        ReadOnlySet = 1u << 16,
        ExtraMemSet = 1u << 17,
        NumberSet = 1u << 18,
    };

    CUGCell() = default;
    CUGCell(const CUGCell&) = default;
    CUGCell& operator=(const CUGCell&) = default;
    // QFont declares no move, so the implicit one may throw and the grid's storage would copy every
    // cell as it grows; moving a font's shared data cannot fail.
    CUGCell(CUGCell&&) noexcept = default;
    CUGCell& operator=(CUGCell&&) noexcept = default;

    // Back to a cell that sets nothing.
    void ClearAll() { *this = CUGCell(); }
    // Copies the properties that src sets, leaving the others as they are.
    void CopyInfoFrom(const CUGCell& src);
    quint32 GetPropertyFlags() const { return m_flags; }
    bool IsPropertySet(quint32 flag) const { return (m_flags & flag) != 0; }

    // Text; a number or bool cell without text reads as its formatted value.
    void SetText(const QString& text);
    QString GetText() const;
    // True when a text was set (the sort comparison treats other cells as having no text).
    bool HasText() const { return (m_flags & TextSet) != 0; }
    // The text as set, without a copy (empty when the cell has none).
    const QString& GetTextRef() const { return m_text; }
    void ClearText();
    void SetLabelText(const QString& text);
    QString GetLabelText() const { return m_label; }

    void SetParam(qint64 param);
    qint64 GetParam() const { return m_param; }
    void SetPrivateData(quint64 data);
    quint64 GetPrivateData() const { return m_private; }
    // A block of bytes the cell owns (copied with the cell). Zero-filled on allocation.
    char* AllocExtraMem(int size);
    char* GetExtraMemPtr() { return m_extra.isEmpty() ? nullptr : m_extra.data(); }
    const char* GetExtraMemPtr() const { return m_extra.isEmpty() ? nullptr : m_extra.constData(); }
    int GetExtraMemSize() const { return int(m_extra.size()); }
    void ClearExtraMem();

    void SetDataType(int type);
    int GetDataType() const { return m_dataType; }
    // Sets the value and the data type UGCELLDATA_NUMBER.
    void SetNumber(double number);
    double GetNumber() const { return m_number; }
    int GetNumber(double* number) const;
    // Sets the value 0 or 1 and the data type UGCELLDATA_BOOL.
    void SetBool(bool state);
    bool GetBool() const { return m_number != 0; }

    void SetBackColor(const QColor& c);
    QColor GetBackColor() const { return QColor::fromRgba(m_back); }
    void SetTextColor(const QColor& c);
    QColor GetTextColor() const { return QColor::fromRgba(m_textColor); }
    // Colours of a highlighted cell; the progress type draws its bar in the highlight back colour.
    void SetHBackColor(const QColor& c);
    QColor GetHBackColor() const { return QColor::fromRgba(m_hBack); }
    void SetHTextColor(const QColor& c);
    QColor GetHTextColor() const { return QColor::fromRgba(m_hText); }

    void SetFont(const QFont& font);
    // Null when the cell sets no font.
    const QFont* GetFont() const { return m_font ? &*m_font : nullptr; }

    void SetAlignment(short align);
    short GetAlignment() const { return m_align; }
    void SetBorder(short flags);
    short GetBorder() const { return m_border; }
    void SetBorderColor(const QColor& c);
    void SetBorderColor(const QPen& pen) { SetBorderColor(pen.color()); }
    QColor GetBorderColor() const { return QColor::fromRgba(m_borderColor); }

    void SetCellType(int type);
    int GetCellType() const { return m_cellType; }
    void SetCellTypeEx(long flags);
    long GetCellTypeEx() const { return m_cellTypeEx; }

    // Index of a bitmap added to the grid with AddBitmap; -1 for none.
    void SetBitmapIndex(int index);
    int GetBitmapIndex() const { return m_bitmap; }

    void SetReadOnly(bool readOnly);
    bool GetReadOnly() const { return m_readOnly; }

private:
    QString m_text;
    QString m_label;
    QByteArray m_extra;
    std::optional<QFont> m_font;
    qint64 m_param = 0;
    quint64 m_private = 0;
    double m_number = 0;
    QRgb m_back = 0xffffffff;
    QRgb m_textColor = 0xff000000;
    QRgb m_hBack = 0xff000080;
    QRgb m_hText = 0xffffffff;
    QRgb m_borderColor = 0xff000000;
    int m_bitmap = -1;
    int m_cellType = UGCT_NORMAL;
    long m_cellTypeEx = 0;
    quint32 m_flags = 0;
    short m_align = 0;
    short m_border = 0;
    qint8 m_dataType = UGCELLDATA_STRING;
    bool m_readOnly = false;
};
