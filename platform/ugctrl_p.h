// Internals of the grid layer: the model over the flat cell storage, the headings and the painting.
#pragma once

#include "ugctrl.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStyledItemDelegate>

#include <algorithm>
#include <vector>

class UGModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit UGModel(CUGCtrl* grid);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Storage: rows × cols cells, row by row; heading cells beside it.
    int cols = 0;
    long rows = 0;
    std::vector<CUGCell> cells;
    std::vector<CUGCell> top;  // one per column
    std::vector<CUGCell> side; // one per row once a side heading cell is set, else empty

    CUGCell* at(int col, long row) { return &cells[size_t(row) * size_t(cols) + size_t(col)]; }
    const CUGCell* at(int col, long row) const { return &cells[size_t(row) * size_t(cols) + size_t(col)]; }

    // Changes; each sends its signals now, later in one batch, or when the hold ends.
    void touched(int col, long row);
    void touchedHeading(Qt::Orientation o);
    void setRows(long n);
    void reserveRows(long n) { cells.reserve(size_t(std::max(0L, n)) * size_t(cols)); }
    void insertRow(long row);
    void deleteRow(long row);
    // Rows first to last, as one removal.
    void deleteRows(long first, long last);
    void setCols(int n);
    // order[i] is the old row that becomes row i.
    void permute(const std::vector<int>& order);
    void setHeld(bool held);
    // Sends what is pending; true when that was a reset.
    bool flush();

private:
    void queueFlush();
    template <class T> static void permuteVector(std::vector<T>& v, const std::vector<int>& order);

    CUGCtrl* m_grid;
    int m_shownCols = 0;
    int m_shownRows = 0;
    bool m_held = false;
    bool m_reset = false;
    bool m_queued = false;
    static constexpr long kGrowRows = 512;
    bool m_topDirty = false;
    bool m_sideDirty = false;
    long m_dirtyTop = -1;
    long m_dirtyBottom = -1;
    int m_dirtyLeft = 0;
    int m_dirtyRight = 0;
};

class UGHeader : public QHeaderView
{
    Q_OBJECT

public:
    UGHeader(Qt::Orientation o, CUGCtrl* grid);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool viewportEvent(QEvent* e) override;

private:
    bool onHandle(const QPoint& pos, int* section) const;

    CUGCtrl* m_grid;
    bool m_resizing = false;
};

class UGDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit UGDelegate(CUGCtrl* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&, const QModelIndex&) override
    {
        return false; // the grid acts on clicks itself
    }

    // Draws a cell whose defaults are already applied.
    static void paintCell(QPainter* p, const QRect& rect, const CUGCell& cell, const CUGCtrl* grid,
                          bool highlight, bool focus, bool pressed, const QPalette& pal);
    // Where a check box cell draws its box.
    static QRect checkBoxRect(const QRect& cell);
    // Where an expand cell draws its +/- box.
    static QRect expandBoxRect(const QRect& cell);

private:
    CUGCtrl* m_grid;
};
