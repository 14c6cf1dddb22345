#include "zrdevlistwnd.h"

#include "messagebox.h"
#include "picker.h"
#include "zrdevlistgrid.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CZRDevListWnd::CZRDevListWnd(QWidget* parent)
    : QWidget(parent), m_grid(new CZRDevListGrid(this)), m_filter(new QLineEdit(this)),
      m_checkAll(new QPushButton(QStringLiteral("Check all"), this)),
      m_export(new QPushButton(QStringLiteral("Export…"), this))
{
    setAccessibleName(QStringLiteral("Device list page"));
    m_filter->setPlaceholderText(QStringLiteral("Filter by address, name, model, firmware, OS, CPU or host"));
    m_filter->setAccessibleName(QStringLiteral("Device filter"));
    m_filter->setClearButtonEnabled(true);
    m_checkAll->setAccessibleName(QStringLiteral("Check all shown devices"));
    m_export->setAccessibleName(QStringLiteral("Export shown devices as CSV"));
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(m_filter, 1);
    bar->addWidget(m_checkAll);
    bar->addWidget(m_export);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(bar);
    layout->addWidget(m_grid, 1);
    m_grid->CreateGrid(kGridId);
    // Each keystroke narrows at once; the grid hides rows, it never rebuilds them.
    connect(m_filter, &QLineEdit::textChanged, m_grid, &CZRDevListGrid::SetFilter);
    connect(m_checkAll, &QPushButton::clicked, m_grid, &CZRDevListGrid::SetAllChecked);
    connect(m_export, &QPushButton::clicked, this, [this] { Export(); });
    setFocusProxy(m_grid);
}

CZRDevListWnd::~CZRDevListWnd() = default;

int CZRDevListWnd::Export()
{
    const QString name = m_grid->GetNick().isEmpty() ? QStringLiteral("devices") : m_grid->GetNick();
    QString path = Pickers().SaveFile(this, QStringLiteral("Export"), name + QStringLiteral(".csv"),
                                      QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty()) return 0;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    if (m_grid->ExportCsv(path)) return 1;
    ShowMessage(
        this,
        QStringLiteral("The device list could not be written to\n%1").arg(QDir::toNativeSeparators(path)),
        QStringLiteral("Export"), MB_ICONERROR, MB_OK);
    return 0;
}
