// The device list page: a filter line above the device list grid.
#pragma once

#include "zrgrid_global.h"

#include <QWidget>

class CZRDevListGrid;
class QLineEdit;

class ZRGRIDU_EXPORT CZRDevListWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CZRDevListWnd(QWidget* parent = nullptr);
    ~CZRDevListWnd() override;

    static constexpr int kGridId = 8504;

    CZRDevListGrid* GetGrid() { return m_grid; }
    QLineEdit* GetFilterEdit() { return m_filter; }

private:
    CZRDevListGrid* m_grid;
    QLineEdit* m_filter;
};
