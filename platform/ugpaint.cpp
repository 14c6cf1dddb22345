// Painting of cells and headings, and the in-place editor.
#include "ugctrl_p.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QToolTip>

#include <algorithm>
#include <cstdlib>

namespace {

Qt::Alignment toQt(short a)
{
    Qt::Alignment q;
    if (a & UG_ALIGNRIGHT)
        q |= Qt::AlignRight;
    else if (a & UG_ALIGNCENTER)
        q |= Qt::AlignHCenter;
    else
        q |= Qt::AlignLeft;
    if (a & UG_ALIGNTOP)
        q |= Qt::AlignTop;
    else if (a & UG_ALIGNBOTTOM)
        q |= Qt::AlignBottom;
    else
        q |= Qt::AlignVCenter;
    return q;
}

void drawBorders(QPainter* p, const QRect& r, short b, const QColor& color, const QColor& gridLine)
{
    if (b == 0) {
        p->setPen(QPen(gridLine, 1));
        p->drawLine(r.topRight(), r.bottomRight());
        p->drawLine(r.bottomLeft(), r.bottomRight());
        return;
    }
    auto width = [b](short thin, short medium, short thick) {
        return (b & thick) ? 3 : (b & medium) ? 2 : (b & thin) ? 1 : 0;
    };
    const int l = width(UG_BDR_LTHIN, UG_BDR_LMEDIUM, UG_BDR_LTHICK);
    const int t = width(UG_BDR_TTHIN, UG_BDR_TMEDIUM, UG_BDR_TTHICK);
    const int rr = width(UG_BDR_RTHIN, UG_BDR_RMEDIUM, UG_BDR_RTHICK);
    const int bb = width(UG_BDR_BTHIN, UG_BDR_BMEDIUM, UG_BDR_BTHICK);
    if (l) p->fillRect(QRect(r.left(), r.top(), l, r.height()), color);
    if (t) p->fillRect(QRect(r.left(), r.top(), r.width(), t), color);
    if (rr) p->fillRect(QRect(r.right() - rr + 1, r.top(), rr, r.height()), color);
    if (bb) p->fillRect(QRect(r.left(), r.bottom() - bb + 1, r.width(), bb), color);
}

void drawArrow(QPainter* p, const QRect& r, bool up, const QColor& c)
{
    const int s = 4;
    const QPoint m(r.right() - 8, r.center().y());
    QPainterPath path;
    if (up) {
        path.moveTo(m.x() - s, m.y() + s / 2);
        path.lineTo(m.x() + s, m.y() + s / 2);
        path.lineTo(m.x(), m.y() - s / 2 - 1);
    } else {
        path.moveTo(m.x() - s, m.y() - s / 2);
        path.lineTo(m.x() + s, m.y() - s / 2);
        path.lineTo(m.x(), m.y() + s / 2 + 1);
    }
    path.closeSubpath();
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->fillPath(path, c);
    p->restore();
}

} // namespace

UGDelegate::UGDelegate(CUGCtrl* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

QRect UGDelegate::checkBoxRect(const QRect& cell)
{
    const int s = 13;
    return QRect(cell.left() + 3, cell.top() + (cell.height() - s) / 2, s, s);
}

QRect UGDelegate::expandBoxRect(const QRect& cell)
{
    const int s = 9;
    return QRect(cell.left() + 4, cell.top() + (cell.height() - s) / 2, s, s);
}

void UGDelegate::paintCell(QPainter* p, const QRect& rect, const CUGCell& cell, const CUGCtrl* grid,
                           bool highlight, bool focus, bool pressed, const QPalette& pal)
{
    const int type = cell.GetCellType();
    QColor back = cell.GetBackColor();
    QColor fore = cell.GetTextColor();
    if (highlight) {
        back = (cell.IsPropertySet(CUGCell::HBackColorSet) && type != UGCT_PROGRESS)
                   ? cell.GetHBackColor()
                   : pal.color(QPalette::Highlight);
        fore = cell.IsPropertySet(CUGCell::HTextColorSet) ? cell.GetHTextColor()
                                                          : pal.color(QPalette::HighlightedText);
    }
    p->save();
    p->setClipRect(rect);
    p->fillRect(rect, back);
    if (const QFont* f = cell.GetFont()) p->setFont(*f);
    p->setPen(fore);

    QRect inner = rect.adjusted(3, 1, -3, -1);
    const Qt::Alignment align = toQt(cell.GetAlignment());
    const QPixmap bitmap = grid->GetBitmap(cell.GetBitmapIndex());
    QString text = cell.GetText();

    auto drawBitmapAt = [&](const QRect& area, bool centre) {
        if (bitmap.isNull()) return QRect();
        QSize s = bitmap.size() / bitmap.devicePixelRatio();
        if (s.width() > area.width() || s.height() > area.height())
            s.scale(area.size().boundedTo(s), Qt::KeepAspectRatio);
        const int x = centre ? area.left() + (area.width() - s.width()) / 2 : area.left();
        const QRect target(x, area.top() + (area.height() - s.height()) / 2, s.width(), s.height());
        p->drawPixmap(target, bitmap);
        return target;
    };

    switch (type) {
    case UGCT_CHECKBOX: {
        const QRect box = checkBoxRect(rect);
        p->fillRect(box, pal.color(QPalette::Base));
        p->setPen(QPen(pal.color(QPalette::Dark), 1));
        p->drawRect(box.adjusted(0, 0, -1, -1));
        if (cell.GetBool()) {
            p->setPen(QPen(pal.color(QPalette::Text), 2));
            p->setRenderHint(QPainter::Antialiasing);
            const QRect m = box.adjusted(3, 3, -3, -3);
            if (cell.GetCellTypeEx() & UGCT_CHECKBOXCHECKMARK) {
                p->drawLine(QPointF(m.left(), m.center().y()), QPointF(m.center().x(), m.bottom()));
                p->drawLine(QPointF(m.center().x(), m.bottom()), QPointF(m.right(), m.top()));
            } else {
                p->drawLine(m.topLeft(), m.bottomRight());
                p->drawLine(m.bottomLeft(), m.topRight());
            }
            p->setRenderHint(QPainter::Antialiasing, false);
        }
        p->setPen(fore);
        QRect t = inner;
        t.setLeft(box.right() + 5);
        const QString label = cell.GetLabelText().isEmpty() ? QString() : cell.GetLabelText();
        p->drawText(t, int(Qt::AlignLeft | (align & Qt::AlignVertical_Mask)) | Qt::TextSingleLine, label);
        break;
    }
    case UGCT_PROGRESS: {
        const double pct = std::clamp(cell.GetNumber(), 0.0, 100.0);
        const QRect bar = rect.adjusted(2, 3, -2, -3);
        p->fillRect(bar, pal.color(QPalette::Base));
        const int w = int(bar.width() * pct / 100.0);
        const QColor barColor =
            cell.IsPropertySet(CUGCell::HBackColorSet) ? cell.GetHBackColor() : QColor(90, 183, 6);
        p->fillRect(QRect(bar.left(), bar.top(), w, bar.height()), barColor);
        p->setPen(QPen(pal.color(QPalette::Mid), 1));
        p->drawRect(bar.adjusted(0, 0, -1, -1));
        if (!(cell.GetCellTypeEx() & UGCT_PROGRESSNOTEXT)) {
            p->setPen(highlight ? fore : pal.color(QPalette::Text));
            p->drawText(bar, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("%1%").arg(int(pct)));
        }
        break;
    }
    case UGCT_PUSHBUTTON: {
        QStyleOptionButton opt;
        opt.rect = rect.adjusted(2, 2, -2, -2);
        opt.palette = pal;
        opt.state = QStyle::State_Enabled | (pressed ? QStyle::State_Sunken : QStyle::State_Raised);
        QApplication::style()->drawControl(QStyle::CE_PushButtonBevel, &opt, p);
        const QRect face = opt.rect.adjusted(2, 2, -2, -2).translated(pressed ? 1 : 0, pressed ? 1 : 0);
        if (!bitmap.isNull())
            drawBitmapAt(face, true);
        else
            p->drawText(face, Qt::AlignCenter | Qt::TextSingleLine, text);
        break;
    }
    case UGCT_EXPAND: {
        const QList<QColor> c = grid->GetCellTypeColors(UGCT_EXPAND);
        auto colorAt = [&](int i, const QColor& fallback) { return i < c.size() ? c[i] : fallback; };
        if (!highlight) p->fillRect(rect, colorAt(0, back));
        QRect t = inner;
        if (!(cell.GetCellTypeEx() & UGCT_EXPANDNOBOX)) {
            const QRect box = expandBoxRect(rect);
            p->fillRect(box, colorAt(1, pal.color(QPalette::Base)));
            p->setPen(colorAt(3, fore));
            p->drawRect(box.adjusted(0, 0, -1, -1));
            const int cy = box.top() + box.height() / 2, cx = box.left() + box.width() / 2;
            p->drawLine(box.left() + 2, cy, box.right() - 2, cy);
            if (cell.GetBool()) p->drawLine(cx, box.top() + 2, cx, box.bottom() - 2);
            t.setLeft(box.right() + 5);
        }
        p->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colorAt(4, back));
        p->setPen(highlight ? fore : colorAt(2, fore));
        p->drawText(t, int(align) | Qt::TextSingleLine, text);
        break;
    }
    default: {
        if (!bitmap.isNull()) {
            if (text.isEmpty()) {
                drawBitmapAt(rect.adjusted(1, 1, -1, -1), true);
            } else {
                const QRect b = drawBitmapAt(inner, false);
                inner.setLeft(b.right() + 4);
            }
        }
        QRect t = inner;
        if (type == UGCT_SORTARROW) {
            const long ex = cell.GetCellTypeEx();
            if (ex & (UGCT_SORTARROWUP | UGCT_SORTARROWDOWN)) {
                drawArrow(p, rect, ex & UGCT_SORTARROWUP, fore);
                t.setRight(rect.right() - 16);
            }
        }
        if (!text.isEmpty()) p->drawText(t, int(align) | Qt::TextSingleLine, text);
        break;
    }
    }

    const QColor gridLine = pal.color(QPalette::Midlight);
    drawBorders(p, rect, cell.GetBorder(), cell.GetBorderColor(), gridLine);
    if (focus) {
        p->setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
        p->drawRect(rect.adjusted(1, 1, -2, -2));
    }
    p->restore();
}

void UGDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    CUGCell cell;
    if (m_grid->GetCell(index.column(), index.row(), &cell) != UG_SUCCESS) return;
    const bool selected = option.state & QStyle::State_Selected;
    const bool highlight =
        selected &&
        (m_grid->m_highlightRow || (m_grid->m_cellMode & UG_CELLMODE_HIGHLIGHT) || m_grid->m_multiSelect);
    const bool focus = (option.state & QStyle::State_HasFocus) && (m_grid->m_cellMode & UG_CELLMODE_FOCUS);
    const bool pressed = m_grid->m_pressCol == index.column() && m_grid->m_pressRow == index.row();
    if (!cell.GetFont()) cell.SetFont(option.font);
    paintCell(painter, option.rect, cell, m_grid, highlight, focus, pressed, option.palette);
}

QWidget* UGDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                  const QModelIndex& index) const
{
    QWidget* edit = nullptr;
    if (!m_grid->OnEditStart(index.column(), index.row(), &edit)) {
        delete edit;
        return nullptr;
    }
    if (!edit)
        edit = new QLineEdit(parent);
    else
        edit->setParent(parent);
    return edit;
}

void UGDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setText(m_grid->QuickGetText(index.column(), index.row()));
    else
        QStyledItemDelegate::setEditorData(editor, index);
}

void UGDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    QString text;
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        text = line->text();
    else
        text = editor->property("text").toString();
    if (m_grid->OnEditFinish(index.column(), index.row(), editor, text, false))
        model->setData(index, text, Qt::EditRole);
}

// --- headings --------------------------------------------------------------------------------

UGHeader::UGHeader(Qt::Orientation o, CUGCtrl* grid) : QHeaderView(o, grid), m_grid(grid)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(0);
}

void UGHeader::paintEvent(QPaintEvent* e)
{
    {
        QPainter p(viewport());
        p.fillRect(viewport()->rect(), m_grid->OnGetDefBackColor(
                                           orientation() == Qt::Horizontal ? UG_TOPHEADING : UG_SIDEHEADING));
    }
    QHeaderView::paintEvent(e);
}

void UGHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    CUGCell cell;
    const bool top = orientation() == Qt::Horizontal;
    if (m_grid->GetCell(top ? logicalIndex : -1, top ? -1 : logicalIndex, &cell) != UG_SUCCESS) return;
    if (!cell.GetFont()) cell.SetFont(font());
    UGDelegate::paintCell(painter, rect, cell, m_grid, false, false, false, palette());
}

bool UGHeader::onHandle(const QPoint& pos, int* section) const
{
    const int p = orientation() == Qt::Horizontal ? pos.x() : pos.y();
    const int at = logicalIndexAt(pos);
    *section = at;
    if (at < 0) {
        // Past the last section: its trailing edge may still be under the mouse.
        const int last = logicalIndexAt(p - 4 < 0 ? 0 : p - 4);
        if (last >= 0 && std::abs(sectionViewportPosition(last) + sectionSize(last) - p) <= 4) {
            *section = last;
            return true;
        }
        return false;
    }
    const int start = sectionViewportPosition(at);
    const int end = start + sectionSize(at);
    if (std::abs(end - p) <= 3) return true;
    if (std::abs(p - start) <= 3 && visualIndex(at) > 0) {
        *section = logicalIndex(visualIndex(at) - 1);
        return true;
    }
    return false;
}

void UGHeader::mousePressEvent(QMouseEvent* e)
{
    int section = -1;
    const QPoint pos = e->position().toPoint();
    const bool handle = onHandle(pos, &section);
    const bool top = orientation() == Qt::Horizontal;
    if (handle && e->button() == Qt::LeftButton) {
        const bool can = top ? m_grid->OnCanSizeCol(section) : m_grid->OnCanSizeRow(section);
        if (can) {
            m_resizing = true;
            QHeaderView::mousePressEvent(e);
        }
        return;
    }
    if (section >= 0) m_grid->headerPressed(orientation(), section, 1, e);
}

void UGHeader::mouseReleaseEvent(QMouseEvent* e)
{
    if (m_resizing) {
        m_resizing = false;
        QHeaderView::mouseReleaseEvent(e);
        return;
    }
    const int section = logicalIndexAt(e->position().toPoint());
    if (section >= 0) m_grid->headerPressed(orientation(), section, 0, e);
}

void UGHeader::mouseDoubleClickEvent(QMouseEvent* e)
{
    int section = -1;
    if (onHandle(e->position().toPoint(), &section)) return;
    if (section >= 0) m_grid->headerDoubleClicked(orientation(), section, e);
}

void UGHeader::contextMenuEvent(QContextMenuEvent* e)
{
    const int section = logicalIndexAt(e->pos());
    if (section < 0) return;
    if (orientation() == Qt::Horizontal)
        m_grid->showMenu(section, -1, UG_TOPHEADING, e->globalPos());
    else
        m_grid->showMenu(-1, section, UG_SIDEHEADING, e->globalPos());
}

bool UGHeader::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::ToolTip && m_grid->m_hints) {
        auto* he = static_cast<QHelpEvent*>(e);
        const int section = logicalIndexAt(he->pos());
        QString text;
        const bool top = orientation() == Qt::Horizontal;
        if (section >= 0 && m_grid->OnHint(top ? section : -1, top ? -1 : section,
                                           top ? UG_TOPHEADING : UG_SIDEHEADING, &text))
            QToolTip::showText(he->globalPos(), text, viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return QHeaderView::viewportEvent(e);
}
