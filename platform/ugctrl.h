// The grid control of the console's tabular pages, on Qt model/view.
//
// One model keeps every cell of the grid in flat storage (rows × columns, plus the heading cells);
// the grid is the QTableView that shows it, paints each cell's colours, font, borders and cell type
// itself, and turns mouse and key input into the On… notifications below, which derived grids
// override. Rows: 0…GetNumberRows()-1; row -1 is the top heading. Columns likewise, column -1 being
// the side heading.
//
// Model signals are batched: cell changes are gathered into one dataChanged and appended rows into
// one insert range, sent when control returns to the event loop (or at once when the grid needs
// them, e.g. before GotoRow). While EnableUpdate(FALSE) is in force nothing is sent and the grid does
// not paint; enabling again sends one insert range, or one reset when rows were inserted, deleted or
// reordered, and one dataChanged for the changed cells.
#pragma once

#include "platformgui_global.h"
#include "ugcell.h"

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QTableView>

#include <memory>
#include <vector>

class QMenu;
class UGModel;
class UGHeader;
class UGDelegate;

// Sort flags.
enum : int { UG_SORT_ASCENDING = 1, UG_SORT_DESCENDING = 2 };
// Sections of the grid, for OnGetDefBackColor, OnMenuStart and OnHint.
enum : int {
    UG_GRID = 1,
    UG_TOPHEADING = 2,
    UG_SIDEHEADING = 3,
    UG_CORNERBUTTON = 4,
    UG_HSCROLL = 5,
    UG_VSCROLL = 6
};
// Current cell modes: focus rectangle, highlight, or both.
enum : int { UG_CELLMODE_NONE = 0, UG_CELLMODE_FOCUS = 1, UG_CELLMODE_HIGHLIGHT = 2 };

class TARNPLATFORMGUI_EXPORT CUGCtrl : public QTableView
{
    Q_OBJECT

public:
    explicit CUGCtrl(QWidget* parent = nullptr);
    ~CUGCtrl() override;

    // Runs OnSetup once. The owner calls it right after constructing the grid; a grid shown without
    // it runs OnSetup before its first show. id is the control id the owner knows the grid by.
    void CreateGrid(int id = 0);
    int GetCtrlId() const { return m_ctrlId; }

    // Kept for the grids that switch visual themes off; this grid has no themes to switch.
    static void UseThemes(bool use);
    static bool ThemesUsed();

    // A font by face name and Windows-style height and weight, falling back to a readable sans face
    // where the named face is missing.
    static QFont MakeFont(const QString& face, int height, int weight);

    // The comparison the system's grids sort with: missing cells last, descending swaps the cells,
    // numbers, bools and currency by value, other types by text code unit by code unit.
    static int DefaultSortEvaluate(const CUGCell* cell1, const CUGCell* cell2, int flags);

    // --- size -------------------------------------------------------------------------------
    int SetNumberCols(int cols, bool redraw = true);
    int GetNumberCols() const;
    int SetNumberRows(long rows, bool redraw = true);
    long GetNumberRows() const;
    int AppendRow();
    // Room for that many rows: a fill whose size is known grows the storage once.
    void ReserveRows(long rows);
    int InsertRow(long row);
    int DeleteRow(long row);
    // Rows first to last at once: one removal for the view, selection kept.
    int DeleteRowRange(long first, long last);

    int SetColWidth(int col, int width);
    int GetColWidth(int col) const;
    int SetRowHeight(long row, int height);
    int GetRowHeight(long row) const;
    void SetDefRowHeight(int height);
    int GetDefRowHeight() const { return m_defRowHeight; }
    void SetDefColWidth(int width);
    int GetDefColWidth() const { return m_defColWidth; }
    // Side heading width and top heading height; 0 hides the heading.
    void SetSH_Width(int width);
    int GetSH_Width() const { return m_shWidth; }
    void SetTH_Height(int height);
    int GetTH_Height() const { return m_thHeight; }
    // Scroll bar sizes; 0 hides the scroll bar, anything else shows it when needed.
    void SetVS_Width(int width);
    int GetVS_Width() const { return m_vsWidth; }
    void SetHS_Height(int height);
    int GetHS_Height() const { return m_hsHeight; }

    // --- cells ------------------------------------------------------------------------------
    int SetDefaultCell(const CUGCell* cell);
    int GetDefaultCell(CUGCell* cell) const;
    int SetColDefault(int col, const CUGCell* cell);
    int GetColDefault(int col, CUGCell* cell) const;
    // The cell with the column's and the grid's defaults applied under it.
    int GetCell(int col, long row, CUGCell* cell) const;
    // Replaces the stored cell.
    int SetCell(int col, long row, const CUGCell* cell);
    // The stored cell itself (no defaults applied), or null outside the grid. Call RedrawCell after
    // changing it so that the view and the accessibility bridge learn of it.
    CUGCell* GetCellIndirect(int col, long row);

    int QuickSetText(int col, long row, const QString& text);
    QString QuickGetText(int col, long row) const;
    int QuickSetLabelText(int col, long row, const QString& text);
    int QuickSetNumber(int col, long row, double number);
    int QuickSetBool(int col, long row, bool state);
    int QuickSetParam(int col, long row, qint64 param);
    qint64 QuickGetParam(int col, long row) const;
    int QuickSetBackColor(int col, long row, const QColor& color);
    int QuickSetTextColor(int col, long row, const QColor& color);
    int QuickSetHBackColor(int col, long row, const QColor& color);
    int QuickSetFont(int col, long row, const QFont& font);
    int QuickSetAlignment(int col, long row, short align);
    int QuickSetBorder(int col, long row, short border);
    int QuickSetBorderColor(int col, long row, const QColor& color);
    int QuickSetCellType(int col, long row, int type);
    int QuickSetCellTypeEx(int col, long row, long flags);
    int QuickSetBitmap(int col, long row, int index);
    int QuickSetReadOnly(int col, long row, bool readOnly);

    // --- joins ------------------------------------------------------------------------------
    // Joins the rectangle into one cell drawn with the top-left cell; joins it overlaps are undone.
    int JoinCells(int startCol, long startRow, int endCol, long endRow);
    // Undoes the join that the cell belongs to.
    int UnJoinCells(int col, long row);
    // Moves (col, row) to the top-left cell of its join; UG_SUCCESS when it is joined.
    int GetJoinStartCell(int* col, long* row) const;
    // The rectangle (in cells) of the join the cell belongs to; the cell itself when not joined.
    int GetJoinRange(int* startCol, long* startRow, int* endCol, long* endRow) const;

    // --- bitmaps ----------------------------------------------------------------------------
    // Registers a picture and returns its index, -1 when it is empty or cannot be read.
    int AddBitmap(const QPixmap& pixmap);
    int AddBitmap(const QString& file);
    QPixmap GetBitmap(int index) const;
    int GetNumberBitmaps() const { return int(m_bitmaps.size()); }

    // --- drawing ----------------------------------------------------------------------------
    void RedrawAll();
    void RedrawCell(int col, long row);
    void RedrawRow(long row);
    void RedrawCol(int col);
    // FALSE holds every model signal and all painting until TRUE (see the top of this file).
    void EnableUpdate(bool enable);
    bool IsUpdateEnabled() const { return m_updates; }
    void SetHighlightRow(bool on);
    bool GetHighlightRow() const { return m_highlightRow; }
    void SetCurrentCellMode(int mode);
    int GetCurrentCellMode() const { return m_cellMode; }
    // Colours of the cell-type drawings: UGCT_EXPAND takes five (band, box, text, sign and box
    // frame, bottom line).
    void SetCellTypeColors(int type, const QList<QColor>& colors);
    QList<QColor> GetCellTypeColors(int type) const;
    // Kept for grids that ask for it; painting is always double-buffered.
    void SetDoubleBufferMode(bool) {}

    // --- current cell and selection ---------------------------------------------------------
    int GotoCell(int col, long row);
    int GotoRow(long row);
    int GotoCol(int col);
    int GetCurrentCol() const;
    long GetCurrentRow() const;
    // TRUE lets the operator select several cells or rows.
    void SetMultiSelectMode(bool multi);
    void ClearSelections();
    int Select(int col, long row);
    int SelectRange(int startCol, long startRow, int endCol, long endRow);
    bool IsSelected(int col, long row) const;
    // Walks the selected cells row by row; with nothing selected the current cell is the one
    // selected cell. UG_SUCCESS while there is a cell, UG_NA at the end.
    int EnumFirstSelected(int* col, long* row);
    int EnumNextSelected(int* col, long* row);

    // --- sorting ----------------------------------------------------------------------------
    // A stable sort of the rows by one column through OnSortEvaluate; one layout change.
    int SortBy(int col, int flags = UG_SORT_ASCENDING);

    // --- menu, hints, editing ---------------------------------------------------------------
    void EnableMenu(bool enable);
    int AddMenuItem(int id, const QString& text);
    int EmptyMenu();
    // The grid's own menu (OnMenuCommand receives its commands).
    QMenu* GetPopupMenu() const { return m_menu; }
    // Shows menu (not owned) instead of the grid's own on the next OnMenuStart that answers TRUE;
    // its actions go wherever they are connected. Null returns to the grid's own menu.
    void UseExternalMenu(QMenu* menu);
    void UseHints(bool use);
    // Starts editing the current cell, or the given one, in place when OnEditStart allows it.
    int StartEdit();
    int StartEdit(int col, long row);

    // --- notifications (override in derived grids) -----------------------------------------
    // updn: 1 when the button went down, 0 when it came up. processed: non-zero when the grid has
    // already acted on the event (a check box toggled, a button pressed).
    virtual void OnSetup() {}
    virtual void OnLClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed);
    virtual void OnRClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed);
    virtual void OnDClicked(int col, long row, QRect* rect, QPoint* point, int processed);
    virtual void OnTH_LClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed);
    virtual void OnTH_RClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed);
    virtual void OnTH_DClicked(int col, long row, QRect* rect, QPoint* point, int processed);
    virtual void OnSH_LClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed);
    virtual void OnSH_RClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed);
    virtual void OnSH_DClicked(int col, long row, QRect* rect, QPoint* point, int processed);
    virtual void OnCellChange(int oldcol, int newcol, long oldrow, long newrow);
    virtual void OnRowChange(long oldrow, long newrow);
    virtual void OnColChange(int oldcol, int newcol);
    // vcKey is the Qt key code; set it to 0 to keep the grid from acting on the key.
    virtual void OnKeyDown(int* vcKey, int processed);
    // ID is the cell type; msg one of the UGCT_… messages. Default answer 1.
    virtual int OnCellTypeNotify(long ID, int col, long row, long msg, qint64 param);
    // The colour painted where no cell is, per section. Default: the palette's base colour.
    virtual QColor OnGetDefBackColor(int section);
    // Negative when cell1 sorts before cell2. Default: DefaultSortEvaluate.
    virtual int OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags);
    // Fills string and answers non-zero to show a hint (UseHints(true)).
    virtual int OnHint(int col, long row, int section, QString* string);
    virtual int OnCanSizeCol(int col);
    virtual int OnCanSizeRow(long row);
    virtual int OnCanSizeTopHdg();
    virtual int OnCanSizeSideHdg();
    virtual void OnColSized(int col, int* width);
    virtual void OnRowSized(long row, int* height);
    // Answer non-zero to show the menu. section: UG_GRID, UG_TOPHEADING or UG_SIDEHEADING.
    virtual int OnMenuStart(int col, long row, int section);
    virtual void OnMenuCommand(int col, long row, int section, int item);
    // Answer non-zero to let the cell be edited.
    virtual int OnEditStart(int col, long row, QWidget** edit);
    // Answer non-zero to keep the new text; cancelFlag is set when the edit was abandoned.
    virtual int OnEditFinish(int col, long row, QWidget* edit, const QString& string, bool cancelFlag);

    // For the model and the painting.
    const CUGCell* StoredCell(int col, long row) const;
    const CUGCell& DefaultCellRef() const { return m_defaultCell; }
    const CUGCell* ColDefaultRef(int col) const;

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class UGModel;
    friend class UGHeader;
    friend class UGDelegate;

    bool valid(int col, long row) const;
    CUGCell* cellAt(int col, long row);
    void cellChanged(int col, long row);
    void applyGeometry();
    void syncSpans();
    void applyRowHeights();
    void applyColWidths();
    void applySelectionMode();
    void headerPressed(Qt::Orientation o, int section, int updn, QMouseEvent* e);
    void headerDoubleClicked(Qt::Orientation o, int section, QMouseEvent* e);
    void showMenu(int col, long row, int section, const QPoint& globalPos);
    void menuTriggered(QAction* action);
    bool cellTypePress(int col, long row, const QRect& rect, const QPoint& pos);
    QRect cellRect(int col, long row) const;
    void joinsRowInserted(long row);
    void joinsRowDeleted(long row);

    struct Join
    {
        long row;
        int col;
        long rows;
        int cols;
    };

    UGModel* m_model = nullptr;
    UGDelegate* m_delegate = nullptr;
    UGHeader* m_top = nullptr;
    UGHeader* m_side = nullptr;
    QMenu* m_menu = nullptr;
    QMenu* m_externalMenu = nullptr;
    CUGCell m_defaultCell;
    std::vector<CUGCell> m_colDefaults;
    std::vector<int> m_colWidths;  // per column, 0 = default
    std::vector<int> m_rowHeights; // per row, 0 = default; empty while every row has the default
    std::vector<Join> m_joins;
    std::vector<QPixmap> m_bitmaps;
    QList<QColor> m_typeColors[6];
    std::vector<std::pair<int, long>> m_enum;
    size_t m_enumPos = 0;
    int m_ctrlId = 0;
    int m_defRowHeight = 20;
    int m_defColWidth = 75;
    int m_shWidth = 40;
    int m_thHeight = 20;
    int m_vsWidth = 16;
    int m_hsHeight = 16;
    int m_cellMode = UG_CELLMODE_FOCUS;
    int m_menuCol = -1;
    long m_menuRow = -1;
    int m_menuSection = 0;
    int m_pressCol = -1;
    long m_pressRow = -1;
    bool m_setupDone = false;
    bool m_updates = true;
    bool m_highlightRow = false;
    bool m_multiSelect = false;
    bool m_menuEnabled = false;
    bool m_hints = false;
    bool m_spansDirty = false;
};
