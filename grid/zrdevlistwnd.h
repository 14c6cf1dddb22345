// The device list page: a filter line with "Check all" and "Export…" above the device list grid.
#pragma once

#include "zrgrid_global.h"

#include <QWidget>

class CZRDevListGrid;
class QLineEdit;
class QPushButton;

class ZRGRIDU_EXPORT CZRDevListWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CZRDevListWnd(QWidget* parent = nullptr);
    ~CZRDevListWnd() override;

    static constexpr int kGridId = 8504;

    CZRDevListGrid* GetGrid() { return m_grid; }
    QLineEdit* GetFilterEdit() { return m_filter; }
    QPushButton* GetCheckAllButton() { return m_checkAll; }
    QPushButton* GetExportButton() { return m_export; }

    // Asks the picker for a file and writes the rows the filter shows as CSV. 1 when written; 0 when
    // cancelled or when the file could not be written (the operator is told).
    int Export();

private:
    CZRDevListGrid* m_grid;
    QLineEdit* m_filter;
    QPushButton* m_checkAll;
    QPushButton* m_export;
};
