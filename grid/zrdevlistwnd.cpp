#include "zrdevlistwnd.h"

#include "zrdevlistgrid.h"

#include <QLineEdit>
#include <QVBoxLayout>

CZRDevListWnd::CZRDevListWnd(QWidget* parent)
    : QWidget(parent), m_grid(new CZRDevListGrid(this)), m_filter(new QLineEdit(this))
{
    setAccessibleName(QStringLiteral("Device list page"));
    m_filter->setPlaceholderText(QStringLiteral("Filter by address, name, model, firmware, OS, CPU or host"));
    m_filter->setAccessibleName(QStringLiteral("Device filter"));
    m_filter->setClearButtonEnabled(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_filter);
    layout->addWidget(m_grid, 1);
    m_grid->CreateGrid(kGridId);
    // Each keystroke narrows at once; the grid hides rows, it never rebuilds them.
    connect(m_filter, &QLineEdit::textChanged, m_grid, &CZRDevListGrid::SetFilter);
    setFocusProxy(m_grid);
}

CZRDevListWnd::~CZRDevListWnd() = default;
