#include "ugcell.h"

#include <cmath>
#include <type_traits>

static_assert(std::is_nothrow_move_constructible_v<CUGCell>, "grid storage must move cells, not copy them");

namespace {
QString formatNumber(double v)
{
    // Whole numbers read without an exponent or a trailing ".0".
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) return QString::number(qint64(v));
    return QString::number(v, 'g', 15);
}
} // namespace

void CUGCell::CopyInfoFrom(const CUGCell& s)
{
    const quint32 f = s.m_flags;
    if (f & TextSet) m_text = s.m_text;
    if (f & LabelSet) m_label = s.m_label;
    if (f & ParamSet) m_param = s.m_param;
    if (f & PrivateSet) m_private = s.m_private;
    if (f & DataTypeSet) m_dataType = s.m_dataType;
    if (f & NumberSet) m_number = s.m_number;
    if (f & BackColorSet) m_back = s.m_back;
    if (f & TextColorSet) m_textColor = s.m_textColor;
    if (f & HBackColorSet) m_hBack = s.m_hBack;
    if (f & HTextColorSet) m_hText = s.m_hText;
    if (f & FontSet) m_font = s.m_font;
    if (f & AlignSet) m_align = s.m_align;
    if (f & BorderSet) m_border = s.m_border;
    if (f & BorderColorSet) m_borderColor = s.m_borderColor;
    if (f & CellTypeSet) m_cellType = s.m_cellType;
    if (f & CellTypeExSet) m_cellTypeEx = s.m_cellTypeEx;
    if (f & BitmapSet) m_bitmap = s.m_bitmap;
    if (f & ReadOnlySet) m_readOnly = s.m_readOnly;
    if (f & ExtraMemSet) m_extra = s.m_extra;
    m_flags |= f;
}

void CUGCell::SetText(const QString& text)
{
    m_text = text;
    m_dataType = UGCELLDATA_STRING;
    m_flags |= TextSet | DataTypeSet;
}

QString CUGCell::GetText() const
{
    if (m_flags & TextSet) return m_text;
    if (m_flags & NumberSet) return formatNumber(m_number);
    return QString();
}

void CUGCell::ClearText()
{
    m_text.clear();
    m_flags &= ~quint32(TextSet);
}

void CUGCell::SetLabelText(const QString& text)
{
    m_label = text;
    m_flags |= LabelSet;
}

void CUGCell::SetParam(qint64 param)
{
    m_param = param;
    m_flags |= ParamSet;
}

void CUGCell::SetPrivateData(quint64 data)
{
    m_private = data;
    m_flags |= PrivateSet;
}

char* CUGCell::AllocExtraMem(int size)
{
    if (size <= 0) {
        ClearExtraMem();
        return nullptr;
    }
    m_extra = QByteArray(size, '\0');
    m_flags |= ExtraMemSet;
    return m_extra.data();
}

void CUGCell::ClearExtraMem()
{
    m_extra.clear();
    m_flags &= ~quint32(ExtraMemSet);
}

void CUGCell::SetDataType(int type)
{
    m_dataType = qint8(type);
    m_flags |= DataTypeSet;
}

void CUGCell::SetNumber(double number)
{
    m_number = number;
    m_dataType = UGCELLDATA_NUMBER;
    m_flags |= NumberSet | DataTypeSet;
    // The text follows the value, as a number cell reads as its value.
    m_text.clear();
    m_flags &= ~quint32(TextSet);
}

int CUGCell::GetNumber(double* number) const
{
    if (number) *number = m_number;
    return (m_flags & NumberSet) ? UG_SUCCESS : UG_ERROR;
}

void CUGCell::SetBool(bool state)
{
    m_number = state ? 1 : 0;
    m_dataType = UGCELLDATA_BOOL;
    m_flags |= NumberSet | DataTypeSet;
}

void CUGCell::SetBackColor(const QColor& c)
{
    m_back = c.rgba();
    m_flags |= BackColorSet;
}

void CUGCell::SetTextColor(const QColor& c)
{
    m_textColor = c.rgba();
    m_flags |= TextColorSet;
}

void CUGCell::SetHBackColor(const QColor& c)
{
    m_hBack = c.rgba();
    m_flags |= HBackColorSet;
}

void CUGCell::SetHTextColor(const QColor& c)
{
    m_hText = c.rgba();
    m_flags |= HTextColorSet;
}

void CUGCell::SetFont(const QFont& font)
{
    m_font = font;
    m_flags |= FontSet;
}

void CUGCell::SetAlignment(short align)
{
    m_align = align;
    m_flags |= AlignSet;
}

void CUGCell::SetBorder(short flags)
{
    m_border = flags;
    m_flags |= BorderSet;
}

void CUGCell::SetBorderColor(const QColor& c)
{
    m_borderColor = c.rgba();
    m_flags |= BorderColorSet;
}

void CUGCell::SetCellType(int type)
{
    m_cellType = type;
    m_flags |= CellTypeSet;
}

void CUGCell::SetCellTypeEx(long flags)
{
    m_cellTypeEx = flags;
    m_flags |= CellTypeExSet;
}

void CUGCell::SetBitmapIndex(int index)
{
    m_bitmap = index;
    m_flags |= BitmapSet;
}

void CUGCell::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_flags |= ReadOnlySet;
}
