#include "zrsplitterctrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

// Larger than any screen; a saved size beyond it is garbage, not a layout.
constexpr int kMaxSize = 1 << 16;
constexpr int kMaxLines = 64;

void putInt(QByteArray& out, qint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void putDouble(QByteArray& out, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, 8);
    char b[8];
    qToLittleEndian(bits, b);
    out.append(b, 8);
}

qint32 getInt(const char* p)
{
    return qFromLittleEndian<qint32>(p);
}

double getDouble(const char* p)
{
    const quint64 bits = qFromLittleEndian<quint64>(p);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

} // namespace

SplitterCtrlBase::SplitterCtrlBase(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

SplitterCtrlBase::~SplitterCtrlBase() = default;

bool SplitterCtrlBase::Create(QWidget* parent, unsigned style, const QRect& rect, int id)
{
    Q_UNUSED(style);
    if (parent) setParent(parent);
    m_id = id;
    setGeometry(rect);
    show();
    return true;
}

int SplitterCtrlBase::AddRow()
{
    if (int(m_rows.size()) >= kMaxLines) return -1;
    m_rows.push_back({});
    std::vector<QPointer<QWidget>> cells(m_rows.size() * m_cols.size());
    for (size_t r = 0; r + 1 < m_rows.size(); ++r)
        for (size_t c = 0; c < m_cols.size(); ++c)
            cells[r * m_cols.size() + c] = m_cells[r * m_cols.size() + c];
    m_cells.swap(cells);
    SetEqualHeightRows();
    return int(m_rows.size()) - 1;
}

int SplitterCtrlBase::AddColumn()
{
    if (int(m_cols.size()) >= kMaxLines) return -1;
    const size_t oldCols = m_cols.size();
    m_cols.push_back({});
    std::vector<QPointer<QWidget>> cells(m_rows.size() * m_cols.size());
    for (size_t r = 0; r < m_rows.size(); ++r)
        for (size_t c = 0; c < oldCols; ++c)
            cells[r * m_cols.size() + c] = m_cells[r * oldCols + c];
    m_cells.swap(cells);
    SetEqualWidthColumns();
    return int(m_cols.size()) - 1;
}

bool SplitterCtrlBase::SetWindow(int row, int col, QWidget* window)
{
    if (row < 0 || col < 0 || row >= GetRowCount() || col >= GetColumnCount()) return false;
    m_cells[size_t(row) * m_cols.size() + size_t(col)] = window;
    if (window) {
        window->setParent(this);
        window->show();
    }
    Update();
    return true;
}

QWidget* SplitterCtrlBase::GetWindow(int row, int col) const
{
    if (row < 0 || col < 0 || row >= GetRowCount() || col >= GetColumnCount()) return nullptr;
    return m_cells[size_t(row) * m_cols.size() + size_t(col)];
}

int SplitterCtrlBase::availableHeight() const
{
    return qMax(0, height() - kBar * qMax(0, GetRowCount() - 1));
}

int SplitterCtrlBase::availableWidth() const
{
    return qMax(0, width() - kBar * qMax(0, GetColumnCount() - 1));
}

bool SplitterCtrlBase::SetHeightsForDynamic(const std::vector<int>& percentages)
{
    if (percentages.size() != m_rows.size() || m_rows.empty()) return false;
    int sum = 0;
    for (int p : percentages) {
        if (p < 0) return false;
        sum += p;
    }
    if (sum != 100) return false;
    const int available = availableHeight();
    int used = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i].fraction = percentages[i] / 100.0;
        if (i + 1 < m_rows.size()) {
            m_rows[i].size = int(std::lround(percentages[i] / 100.0 * available));
            used += m_rows[i].size;
        } else {
            m_rows[i].size = qMax(0, available - used);
        }
    }
    Update();
    return true;
}

void SplitterCtrlBase::SetHeightForStatic(int row, int height)
{
    if (row < 0 || row >= GetRowCount()) return;
    m_rows[size_t(row)].size = qMax(height, m_minRow);
    Update();
}

void SplitterCtrlBase::SetEqualWidthColumns()
{
    if (m_cols.empty()) return;
    const int n = int(m_cols.size());
    const int each = availableWidth() / n;
    for (Line& l : m_cols) {
        l.size = each;
        l.fraction = 1.0 / n;
    }
    Update();
}

void SplitterCtrlBase::SetEqualHeightRows()
{
    if (m_rows.empty()) return;
    const int n = int(m_rows.size());
    const int each = availableHeight() / n;
    for (Line& l : m_rows) {
        l.size = each;
        l.fraction = 1.0 / n;
    }
    Update();
}

int SplitterCtrlBase::GetRowHeight(int row) const
{
    return row >= 0 && row < GetRowCount() ? m_rows[size_t(row)].size : -1;
}

int SplitterCtrlBase::GetColumnWidth(int col) const
{
    return col >= 0 && col < GetColumnCount() ? m_cols[size_t(col)].size : -1;
}

double SplitterCtrlBase::GetRowFraction(int row) const
{
    return row >= 0 && row < GetRowCount() ? m_rows[size_t(row)].fraction : 0;
}

double SplitterCtrlBase::GetColumnFraction(int col) const
{
    return col >= 0 && col < GetColumnCount() ? m_cols[size_t(col)].fraction : 0;
}

QByteArray SplitterCtrlBase::SaveStateBytes() const
{
    QByteArray out;
    out.reserve(8 + 12 * int(m_rows.size() + m_cols.size()));
    putInt(out, qint32(m_rows.size()));
    putInt(out, qint32(m_cols.size()));
    for (const Line& l : m_cols) {
        putInt(out, l.size);
        putDouble(out, l.fraction);
    }
    for (const Line& l : m_rows) {
        putInt(out, l.size);
        putDouble(out, l.fraction);
    }
    return out;
}

bool SplitterCtrlBase::LoadStateBytes(const QByteArray& bytes)
{
    if (bytes.size() < 8) return false;
    const qint32 rows = getInt(bytes.constData());
    const qint32 cols = getInt(bytes.constData() + 4);
    if (rows != GetRowCount() || cols != GetColumnCount()) return false;
    if (bytes.size() != 8 + 12 * (qint64(rows) + cols)) return false;
    std::vector<Line> newCols(static_cast<size_t>(cols)), newRows(static_cast<size_t>(rows));
    const char* p = bytes.constData() + 8;
    auto read = [&p](std::vector<Line>& lines) {
        double sum = 0;
        for (Line& l : lines) {
            l.size = getInt(p);
            l.fraction = getDouble(p + 4);
            p += 12;
            if (l.size < 0 || l.size > kMaxSize) return false;
            if (!std::isfinite(l.fraction) || l.fraction < 0 || l.fraction > 1) return false;
            sum += l.fraction;
        }
        return sum <= 1.001;
    };
    if (!read(newCols) || !read(newRows)) return false;
    m_cols = std::move(newCols);
    m_rows = std::move(newRows);
    // A layout saved without fractions still resizes sensibly in the dynamic mode.
    auto fillFractions = [](std::vector<Line>& lines) {
        double sum = 0;
        long total = 0;
        for (const Line& l : lines) {
            sum += l.fraction;
            total += l.size;
        }
        if (sum > 0.999 || total <= 0) return;
        for (Line& l : lines)
            l.fraction = double(l.size) / double(total);
    };
    fillFractions(m_cols);
    fillFractions(m_rows);
    Update();
    return true;
}

bool SplitterCtrlBase::SaveState(QSettings* profile, const QString& section, const QString& entry) const
{
    QSettings own(QStringLiteral("Tarn"), QStringLiteral("TarnTool"));
    QSettings& s = profile ? *profile : own;
    s.setValue(section + QLatin1Char('/') + entry, SaveStateBytes());
    s.sync();
    return s.status() == QSettings::NoError;
}

bool SplitterCtrlBase::LoadState(QSettings* profile, const QString& section, const QString& entry)
{
    QSettings own(QStringLiteral("Tarn"), QStringLiteral("TarnTool"));
    QSettings& s = profile ? *profile : own;
    const QVariant v = s.value(section + QLatin1Char('/') + entry);
    if (!v.isValid()) return false;
    return LoadStateBytes(v.toByteArray());
}

void SplitterCtrlBase::fitStatic(std::vector<Line>& lines, int available, bool full)
{
    if (lines.empty()) return;
    int used = 0;
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        used += lines[i].size;
    Line& last = lines.back();
    last.size = available - used;
    // When the window got too small for the fixed lines, take the room back from the end.
    const int minSize = &lines == &m_rows ? m_minRow : m_minCol;
    if (last.size < minSize && (full || last.size < 0)) {
        int missing = minSize - last.size;
        last.size = minSize;
        for (size_t i = lines.size() - 1; i-- > 0 && missing > 0;) {
            const int give = qMin(missing, qMax(0, lines[i].size - minSize));
            lines[i].size -= give;
            missing -= give;
        }
    }
    last.size = qMax(0, last.size);
}

void SplitterCtrlBase::fitDynamic(std::vector<Line>& lines, int available)
{
    if (lines.empty()) return;
    int used = 0;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        lines[i].size = int(std::lround(lines[i].fraction * available));
        used += lines[i].size;
    }
    lines.back().size = qMax(0, available - used);
}

void SplitterCtrlBase::updateFractions()
{
    for (auto* lines : {&m_rows, &m_cols}) {
        long total = 0;
        for (const Line& l : *lines)
            total += l.size;
        if (total > 0)
            for (Line& l : *lines)
                l.fraction = double(l.size) / double(total);
    }
}

void SplitterCtrlBase::Update()
{
    if (m_mode == ResizeDynamic) {
        fitDynamic(m_rows, availableHeight());
        fitDynamic(m_cols, availableWidth());
    } else {
        fitStatic(m_rows, availableHeight(), m_mode == ResizeStaticFull);
        fitStatic(m_cols, availableWidth(), m_mode == ResizeStaticFull);
    }
    int y = 0;
    for (size_t r = 0; r < m_rows.size(); ++r) {
        int x = 0;
        for (size_t c = 0; c < m_cols.size(); ++c) {
            if (QWidget* w = m_cells[r * m_cols.size() + c])
                w->setGeometry(x, y, m_cols[c].size, m_rows[r].size);
            x += m_cols[c].size + kBar;
        }
        y += m_rows[r].size + kBar;
    }
    update();
}

void SplitterCtrlBase::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    Update();
}

void SplitterCtrlBase::barAt(const QPoint& p, int* row, int* col) const
{
    *row = *col = -1;
    int y = 0;
    for (size_t r = 0; r + 1 < m_rows.size(); ++r) {
        y += m_rows[r].size;
        if (p.y() >= y && p.y() < y + kBar) *row = int(r);
        y += kBar;
    }
    int x = 0;
    for (size_t c = 0; c + 1 < m_cols.size(); ++c) {
        x += m_cols[c].size;
        if (p.x() >= x && p.x() < x + kBar) *col = int(c);
        x += kBar;
    }
}

void SplitterCtrlBase::mousePressEvent(QMouseEvent* e)
{
    barAt(e->position().toPoint(), &m_dragRow, &m_dragCol);
    if (m_dragRow >= 0) {
        m_dragFrom = e->position().toPoint().y();
        m_dragStartA = m_rows[size_t(m_dragRow)].size;
        m_dragStartB = m_rows[size_t(m_dragRow) + 1].size;
    } else if (m_dragCol >= 0) {
        m_dragFrom = e->position().toPoint().x();
        m_dragStartA = m_cols[size_t(m_dragCol)].size;
        m_dragStartB = m_cols[size_t(m_dragCol) + 1].size;
    }
}

void SplitterCtrlBase::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (m_dragRow < 0 && m_dragCol < 0) {
        int r, c;
        barAt(p, &r, &c);
        if (r >= 0)
            setCursor(Qt::SplitVCursor);
        else if (c >= 0)
            setCursor(Qt::SplitHCursor);
        else
            unsetCursor();
        return;
    }
    const bool rows = m_dragRow >= 0;
    std::vector<Line>& lines = rows ? m_rows : m_cols;
    const size_t i = size_t(rows ? m_dragRow : m_dragCol);
    const int minSize = rows ? m_minRow : m_minCol;
    const int total = m_dragStartA + m_dragStartB;
    int a = m_dragStartA + (rows ? p.y() : p.x()) - m_dragFrom;
    a = qBound(qMin(minSize, total), a, qMax(0, total - minSize));
    lines[i].size = a;
    lines[i + 1].size = total - a;
    updateFractions();
    Update();
}

void SplitterCtrlBase::mouseReleaseEvent(QMouseEvent*)
{
    m_dragRow = m_dragCol = -1;
}

void SplitterCtrlBase::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor bar = palette().color(QPalette::Mid);
    int y = 0;
    for (size_t r = 0; r + 1 < m_rows.size(); ++r) {
        y += m_rows[r].size;
        p.fillRect(0, y, width(), kBar, bar);
        y += kBar;
    }
    int x = 0;
    for (size_t c = 0; c + 1 < m_cols.size(); ++c) {
        x += m_cols[c].size;
        p.fillRect(x, 0, kBar, height(), bar);
        x += kBar;
    }
}
