// A child window that arranges other child windows in rows and columns, with bars between them that
// the operator drags. Its layout can be read from the application profile as a byte string:
// little-endian, no padding: rows (int32), columns (int32), then per column width (int32) and
// fraction (double), then per row height (int32) and fraction (double).
#pragma once

#include "zrlib_global.h"

#include <QByteArray>
#include <QPointer>
#include <QWidget>

#include <vector>

class QSettings;

class ZRLIBU_EXPORT SplitterCtrlBase : public QWidget
{
    Q_OBJECT

public:
    // 0: sizes stay, the last row or column absorbs a change; 1: the same, the cells always fill the
    // window; 2: sizes follow the fractions.
    enum ResizeMode { ResizeStatic = 0, ResizeStaticFull = 1, ResizeDynamic = 2 };
    static constexpr int kBar = 4;

    explicit SplitterCtrlBase(QWidget* parent = nullptr);
    ~SplitterCtrlBase() override;

    bool Create(QWidget* parent, unsigned style, const QRect& rect, int id);
    int GetID() const { return m_id; }

    int AddRow();
    int AddColumn();
    int GetRowCount() const { return int(m_rows.size()); }
    int GetColumnCount() const { return int(m_cols.size()); }
    // The window is re-parented to the splitter; false for a cell outside the grid.
    bool SetWindow(int row, int col, QWidget* window);
    QWidget* GetWindow(int row, int col) const;

    void SetResizeMode(int mode) { m_mode = mode; }
    int GetResizeMode() const { return m_mode; }
    void SetMinRowHeight(int h) { m_minRow = qMax(0, h); }
    void SetMinColumnWidth(int w) { m_minCol = qMax(0, w); }
    int GetMinRowHeight() const { return m_minRow; }

    // One percentage per row; ignored unless they add up to exactly 100.
    bool SetHeightsForDynamic(const std::vector<int>& percentages);
    void SetHeightForStatic(int row, int height);
    void SetEqualWidthColumns();
    void SetEqualHeightRows();
    int GetRowHeight(int row) const;
    int GetColumnWidth(int col) const;
    double GetRowFraction(int row) const;
    double GetColumnFraction(int col) const;

    // The layout as the profile keeps it.
    QByteArray SaveStateBytes() const;
    // Applies a saved layout when its length and counts fit this grid and its sizes are sane;
    // otherwise nothing changes and the answer is false.
    bool LoadStateBytes(const QByteArray& bytes);
    // Through the profile (null: the application's own settings) under section/entry.
    bool SaveState(QSettings* profile, const QString& section, const QString& entry) const;
    bool LoadState(QSettings* profile, const QString& section, const QString& entry);

    // Lays the cells out again.
    void Update();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    struct Line
    {
        int size = 0;
        double fraction = 0;
    };
    int availableHeight() const;
    int availableWidth() const;
    void fitStatic(std::vector<Line>& lines, int available, bool full);
    void fitDynamic(std::vector<Line>& lines, int available);
    // Bar under a point: row bar index in *row or column bar in *col (-1 for none).
    void barAt(const QPoint& p, int* row, int* col) const;
    void updateFractions();

    std::vector<Line> m_rows;
    std::vector<Line> m_cols;
    std::vector<QPointer<QWidget>> m_cells; // row-major
    int m_mode = ResizeStatic;
    int m_minRow = 10;
    int m_minCol = 10;
    int m_id = 0;
    int m_dragRow = -1;
    int m_dragCol = -1;
    int m_dragFrom = 0;
    int m_dragStartA = 0;
    int m_dragStartB = 0;
};

class ZRLIBU_EXPORT CZRSplitterCtrl : public SplitterCtrlBase
{
    Q_OBJECT

public:
    explicit CZRSplitterCtrl(QWidget* parent = nullptr) : SplitterCtrlBase(parent) {}
};
