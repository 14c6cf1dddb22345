// The device list of one gateway: a row per agent with a check box, the device facts beside it, sort
// arrows in the headings, and a filter that hides the rows it does not match. The checked rows the
// filter shows are the targets of the commands on a gateway's agents.
#pragma once

#include "ugctrl.h"
#include "zrgrid_global.h"

#include <QFont>
#include <QHash>
#include <QString>

class QIODevice;
class QMenu;

class ZRGRIDU_EXPORT CZRDevListGrid : public CUGCtrl
{
    Q_OBJECT

public:
    explicit CZRDevListGrid(QWidget* parent = nullptr);
    ~CZRDevListGrid() override;

    enum : int { kColLabel = 0, kColModel, kColFirmware, kColOS, kColCPU, kColHost, kCols };
    // String ids of the column captions ("caption\nwidth"), in column order.
    static constexpr int kCaptionIds[kCols] = {9000, 9002, 9003, 9004, 9005, 9006};

    // Adds a row for a label not yet listed (check box clear), then writes model, firmware, os, cpu
    // and hostname into the label's row. agentVersion is not shown.
    void AddItem(const QString& label, const QString& agentVersion, const QString& model,
                 const QString& firmware, const QString& os, const QString& cpu, const QString& hostname);
    // Writes columns 1 to 5 of the row; label is not used.
    void SetItem(long row, const QString& label, const QString& model, const QString& firmware,
                 const QString& os, const QString& cpu, const QString& hostname);
    // 0 with *row set when a cell of the column has this label (exact case), else 1.
    int FindFirstLabel(const QString& label, int column, long* row) const;
    void RemoveItem(const QString& label);
    void RemoveAll();

    void SetCheckedRow(long row, bool mark);
    // Checks the rows the filter shows; hidden rows keep their state.
    void SetAllChecked();
    // Clears every row, hidden ones too.
    void ClearAllChecked();
    // The first checked row at or after start that the filter shows, or -1.
    long GetCheckedRow(long start) const;
    long GetFirstCheckedAgentRow() const { return GetCheckedRow(0); }
    // 1 when *row is -1 (no more). Else the label of *row, *row moves to the next checked row the
    // filter shows (or -1), and 0.
    int GetNextCheckedAgent(long* row, QString* label) const;
    // The row of the agent last right-clicked and its label; -1 when none is recorded or that agent's
    // row has gone.
    long GetRClickedItem(QString* label) const;

    void UpdateGrid();
    void SetNick(const QString& nick) { m_nick = nick; }
    QString GetNick() const { return m_nick; }

    // The agent's name (the nick's part after its address), matched by the filter but not shown.
    void SetItemName(const QString& label, const QString& name);
    // Shows only the rows whose address, name, model, firmware, OS, CPU or host name contains the
    // text, ignoring case; an empty (or blank) text shows every row.
    void SetFilter(const QString& text);
    QString GetFilter() const { return m_filter; }
    bool IsRowShown(long row) const;
    long GetShownRowCount() const;

    // The rows the filter shows, in their order, as CSV (RFC 4180, UTF-8, CRLF) under a header row of
    // the captions. 1 when everything was written, else 0.
    int ExportCsv(QIODevice* out) const;
    // Writes the file whole or not at all.
    int ExportCsv(const QString& path) const;

    // The device context menu shown on a row (not owned; the console's commands act on it).
    void SetContextMenu(QMenu* menu);
    int GetSortCol() const { return m_sortCol; }
    bool IsSortAscending() const { return m_sortAsc; }

    void OnSetup() override;
    QColor OnGetDefBackColor(int section) override;
    int OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags) override;
    void OnTH_LClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed) override;
    void OnRClicked(int col, long row, int updn, QRect* rect, QPoint* point, int processed) override;
    int OnMenuStart(int col, long row, int section) override;

private:
    // The rows, or none while the columns are not (yet) this grid's.
    long rowCount() const { return GetNumberCols() == kCols ? GetNumberRows() : 0; }
    bool matches(long row, const QString& needle) const;
    void setShown(long row, bool shown);
    void filterRow(long row);
    // showAll: every row shown in the view, whatever its mark.
    void syncHidden(long first, long last, bool showAll = false);
    void sortBy(int col, bool ascending);
    long rowOfLabel(const QString& label) const;
    void forgetRows() const { m_rowOfValid = false; }

    QString m_nick;
    QString m_filter; // trimmed
    QHash<QString, QString> m_names;
    QFont m_font;
    QFont m_headFont;
    int m_sortCol = 0;
    bool m_sortAsc = true;
    int m_rcCol = -1;
    long m_rcRow = -1;
    QString m_rcLabel;
    // Label to row; appends keep it, anything that moves rows drops it until the next look-up.
    mutable QHash<QString, long> m_rowOf;
    mutable bool m_rowOfValid = true;
};
