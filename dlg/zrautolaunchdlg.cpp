#include "zrautolaunchdlg.h"

#include "messagebox.h"
#include "resources.h"
#include "wirecodec.h"
#include "zrapplyaction.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
enum : int { IDS_COL_PROGRAM = 7010, IDS_COL_ARGUMENTS = 7011, IDS_SURE_DELETE = 7050 };
const QString kCaption = QStringLiteral("Auto Launch");

QString pair(const QString& program, const QString& arguments)
{
    return QStringLiteral("\"%1\" \"%2\"").arg(program, arguments);
}

QString orLiteral(int id, const char* text)
{
    const QString s = LoadResString(id);
    return s.isEmpty() ? QString::fromLatin1(text) : s;
}
} // namespace

CZRAutoLaunchDlg::CZRAutoLaunchDlg(QWidget* parent, int selfDelete) : CZRAgentDlg(parent)
{
    setObjectName(QString::number(IDD));
    setAttribute(Qt::WA_DeleteOnClose, selfDelete == 0);
    setWindowTitle(kCaption);
    ZRApplyDialogPalette(this);

    m_program = new QLineEdit(this);
    m_program->setObjectName(QString::number(IDC_PROGRAM));
    m_program->setAccessibleName(tr("Program"));
    m_arguments = new QLineEdit(this);
    m_arguments->setObjectName(QString::number(IDC_ARGUMENTS));
    m_arguments->setAccessibleName(tr("Arguments"));
    // Neither edit alone may outgrow what one reply carries; the pair is checked on Add.
    m_program->setMaxLength(kMaxPairBytes - 5);
    m_arguments->setMaxLength(kMaxPairBytes - 5);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::number(IDC_LIST));
    m_list->setAccessibleName(tr("Programs launched at start-up"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setMinimumHeight(160);

    auto makeButton = [this](int id, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_add = makeButton(IDC_ADD, tr("&Add"));
    m_add->setDefault(true);
    m_delete = makeButton(IDC_DELETE, tr("&Delete"));
    m_up = makeButton(IDC_MOVE_UP, tr("Move &Up"));
    m_down = makeButton(IDC_MOVE_DOWN, tr("Move Do&wn"));
    m_ok = makeButton(1, tr("OK"));
    m_cancel = makeButton(2, tr("Cancel"));

    auto* entry = new QGridLayout;
    auto* programLabel = new QLabel(tr("&Program:"), this);
    programLabel->setBuddy(m_program);
    auto* argumentsLabel = new QLabel(tr("A&rguments:"), this);
    argumentsLabel->setBuddy(m_arguments);
    entry->addWidget(programLabel, 0, 0);
    entry->addWidget(m_program, 0, 1);
    entry->addWidget(argumentsLabel, 1, 0);
    entry->addWidget(m_arguments, 1, 1);
    entry->addWidget(m_add, 1, 2);
    entry->setColumnStretch(1, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(m_delete);
    side->addWidget(m_up);
    side->addWidget(m_down);
    side->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_list, 1);
    middle->addLayout(side);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(entry);
    lay->addLayout(middle, 1);
    lay->addLayout(bottom);
    resize(520, 360);

    connect(m_add, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(m_up, &QPushButton::clicked, this, [this] { OnMoveUp(); });
    connect(m_down, &QPushButton::clicked, this, [this] { OnMoveDown(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(m_program, &QLineEdit::returnPressed, this, [this] { OnAdd(); });
    connect(m_arguments, &QLineEdit::returnPressed, this, [this] { OnAdd(); });
}

QPushButton* CZRAutoLaunchDlg::button(int id) const
{
    switch (id) {
    case IDC_ADD:
        return m_add;
    case IDC_DELETE:
        return m_delete;
    case IDC_MOVE_UP:
        return m_up;
    case IDC_MOVE_DOWN:
        return m_down;
    case 1:
        return m_ok;
    case 2:
        return m_cancel;
    default:
        return nullptr;
    }
}

void CZRAutoLaunchDlg::SetApplyAction(ZRAutoLaunchAction action, int code, void* context)
{
    m_action = action;
    m_code = code;
    m_context = context;
}

void CZRAutoLaunchDlg::AddAutoLaunch(const QString& program, const QString& arguments)
{
    m_entries.append({program, arguments});
}

bool CZRAutoLaunchDlg::GetAutoLaunch(int index, QString& program, QString& arguments) const
{
    if (index < 0 || index >= m_entries.size()) return false;
    program = m_entries[index].program;
    arguments = m_entries[index].arguments;
    return true;
}

void CZRAutoLaunchDlg::AddListAutoLaunch(int index, const QString& program, const QString& arguments)
{
    auto* item = new QTreeWidgetItem(QStringList{program, arguments});
    item->setToolTip(0, program);
    item->setToolTip(1, arguments);
    m_list->insertTopLevelItem(std::clamp(index, 0, m_list->topLevelItemCount()), item);
}

bool CZRAutoLaunchDlg::GetListAutoLaunch(int index, QString& program, QString& arguments) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(index);
    if (item == nullptr) return false;
    program = item->text(0);
    arguments = item->text(1);
    return true;
}

int CZRAutoLaunchDlg::GetListCount() const
{
    return m_list->topLevelItemCount();
}

QList<int> CZRAutoLaunchDlg::SelectedRows() const
{
    QList<int> rows;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        if (m_list->topLevelItem(i)->isSelected()) rows << i;
    return rows;
}

void CZRAutoLaunchDlg::SelectRows(const QList<int>& rows)
{
    m_list->clearSelection();
    for (int r : rows)
        if (QTreeWidgetItem* item = m_list->topLevelItem(r)) item->setSelected(true);
}

void CZRAutoLaunchDlg::DeleteListAutoLaunchs()
{
    const QList<int> rows = SelectedRows();
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        delete m_list->takeTopLevelItem(*it);
}

void CZRAutoLaunchDlg::SetAutoLaunchList()
{
    for (const __InstructionDlg& e : m_entries)
        AddListAutoLaunch(m_list->topLevelItemCount(), e.program, e.arguments);
}

std::unique_ptr<QStringList> CZRAutoLaunchDlg::GetAutoLaunchList() const
{
    if (m_action == nullptr) return nullptr;
    auto list = std::make_unique<QStringList>();
    for (const __InstructionDlg& e : m_entries)
        list->append(pair(e.program, e.arguments));
    return list;
}

QString CZRAutoLaunchDlg::TrimCommand(const QString& text)
{
    auto unquote = [](QString s) {
        if (!s.isEmpty() && s.front() == u'"' && s.back() == u'"') s = s.mid(1, s.size() - 2);
        // Blanks and tabs only.
        qsizetype b = 0, e = s.size();
        while (b < e && (s[b] == u' ' || s[b] == u'\t'))
            ++b;
        while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t'))
            --e;
        return s.mid(b, e - b);
    };
    return unquote(unquote(text));
}

bool CZRAutoLaunchDlg::CanCarry(const QString& program, const QString& arguments, QString* why)
{
    // Quotes are the only delimiters the agent knows: one inside would split the entry.
    if (program.contains(u'"') || arguments.contains(u'"')) {
        if (why) *why = QStringLiteral("A program or its arguments may not contain a double quote (\").");
        return false;
    }
    const auto wire = WireCodec::toWire(pair(program, arguments));
    if (!wire) {
        if (why)
            *why = QStringLiteral("The program or its arguments hold characters the gateway cannot carry.");
        return false;
    }
    if (wire->size() > kMaxPairBytes) {
        if (why)
            *why =
                QStringLiteral("The program and its arguments are too long: together they may take at most "
                               "%1 bytes.")
                    .arg(kMaxPairBytes - 5);
        return false;
    }
    return true;
}

void CZRAutoLaunchDlg::OnOpen()
{
    m_list->setHeaderLabels(
        {orLiteral(IDS_COL_PROGRAM, "Program"), orLiteral(IDS_COL_ARGUMENTS, "Arguments")});
    m_list->header()->resizeSection(0, 115);
    m_list->header()->resizeSection(1, 175);
    m_list->header()->setStretchLastSection(true);
    SetAutoLaunchList();
    updateButtons();
    m_program->setFocus();
}

void CZRAutoLaunchDlg::updateButtons()
{
    const bool any = !m_list->selectedItems().isEmpty();
    m_delete->setEnabled(any);
    m_up->setEnabled(any);
    m_down->setEnabled(any);
}

void CZRAutoLaunchDlg::OnAdd()
{
    const QString program = TrimCommand(m_program->text());
    if (program.isEmpty()) {
        m_program->clear();
        m_program->setFocus();
        return;
    }
    const QString arguments = TrimCommand(m_arguments->text());
    QString why;
    if (!CanCarry(program, arguments, &why)) {
        // The edits keep what was typed, so the operator can correct it.
        ShowMessage(this, why, kCaption, MB_ICONERROR, MB_OK);
        m_program->setFocus();
        return;
    }
    AddListAutoLaunch(m_list->topLevelItemCount(), program, arguments);
    m_program->clear();
    m_arguments->clear();
    m_program->setFocus();
}

void CZRAutoLaunchDlg::OnDelete()
{
    if (SelectedRows().isEmpty()) return;
    if (ShowMessage(this, LoadResString(IDS_SURE_DELETE), kCaption, MB_ICONQUESTION, MB_OKCANCEL) == IDCANCEL)
        return;
    DeleteListAutoLaunchs();
    m_program->setFocus();
    updateButtons();
}

void CZRAutoLaunchDlg::moveRow(int from, int to)
{
    QTreeWidgetItem* item = m_list->takeTopLevelItem(from);
    if (item == nullptr) return;
    m_list->insertTopLevelItem(to, item);
    item->setSelected(true);
}

void CZRAutoLaunchDlg::OnMoveUp()
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty() || rows.first() == 0) return;
    for (int r : rows)
        moveRow(r, r - 1);
}

void CZRAutoLaunchDlg::OnMoveDown()
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty() || rows.last() == m_list->topLevelItemCount() - 1) return;
    // From the bottom up, so that a block of adjacent rows keeps its order.
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        moveRow(*it, *it + 1);
}

void CZRAutoLaunchDlg::OnOK()
{
    m_entries.clear();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QString program, arguments;
        GetListAutoLaunch(i, program, arguments);
        m_entries.append({program, arguments});
    }
    std::unique_ptr<QStringList> list = GetAutoLaunchList();
    // The dialog may be gone once closed: the call is made from copies.
    const ZRAutoLaunchAction action = m_action;
    const int code = m_code;
    void* const context = m_context;
    const QString key = m_key;
    done(1);
    if (action && list) action(std::move(*list), code, context, key);
}

void CZRAutoLaunchDlg::OnCancel()
{
    done(2);
}

void CZRAutoLaunchDlg::reject()
{
    OnCancel();
}
