#include "zrtargetdlg.h"

#include "fmstrings.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CZRTargetDlg::CZRTargetDlg(QWidget* parent, int selfDelete, int selectedId, int othersId, int toOthersId,
                           int toSelectedId)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose, selfDelete == 0);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(241, 255, 213));
    pal.setColor(QPalette::WindowText, QColor(0, 30, 0));
    setPalette(pal);
    setAutoFillBackground(true);

    m_group = new QGroupBox(fmtext::s(fmtext::kDeviceList), this);
    auto* grid = new QGridLayout(m_group);
    const int ids[2] = {selectedId, othersId};
    const char16_t* captions[2] = {fmtext::kSelectedDevices, fmtext::kOtherDevices};
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(fmtext::s(captions[i]), m_group);
        m_box[i] = new QListWidget(m_group);
        m_box[i]->setObjectName(QString::number(ids[i]));
        m_box[i]->setAccessibleName(label->text());
        m_box[i]->setSortingEnabled(false);
        label->setBuddy(m_box[i]);
        grid->addWidget(label, 0, i * 2);
        grid->addWidget(m_box[i], 1, i * 2);
    }
    auto* toOthers = new QPushButton(QStringLiteral("->"), m_group);
    toOthers->setObjectName(QString::number(toOthersId));
    toOthers->setAccessibleName(tr("Move to the non-selected devices"));
    auto* toSelected = new QPushButton(QStringLiteral("<-"), m_group);
    toSelected->setObjectName(QString::number(toSelectedId));
    toSelected->setAccessibleName(tr("Move to the selected devices"));
    for (QPushButton* b : {toOthers, toSelected}) {
        b->setAutoDefault(false);
        b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("<--")) + 24);
    }
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(toOthers);
    middle->addWidget(toSelected);
    middle->addStretch();
    grid->addLayout(middle, 1, 1);
    connect(toOthers, &QPushButton::clicked, this, &CZRTargetDlg::MoveToOthers);
    connect(toSelected, &QPushButton::clicked, this, &CZRTargetDlg::MoveToSelected);
}

void CZRTargetDlg::AddTitleInfo(const QString& text)
{
    if (!text.isEmpty()) m_title += QStringLiteral(" - %1").arg(text);
}

int CZRTargetDlg::AddAgent(int list, const QString& name)
{
    QStringList& l = m_agents[list & 1];
    if (name.isEmpty() || l.contains(name)) return 0;
    l.append(name);
    return 1;
}

bool CZRTargetDlg::HasAgent(int list, const QString& name) const
{
    return m_agents[list & 1].contains(name);
}

int CZRTargetDlg::RemoveAgent(int list, const QString& name)
{
    return m_agents[list & 1].removeAll(name) > 0 ? 1 : 0;
}

int CZRTargetDlg::AddListAgent(int list, const QString& name)
{
    QListWidget* box = m_box[list & 1];
    if (name.isEmpty() || !box->findItems(name, Qt::MatchExactly).isEmpty()) return 0;
    box->addItem(name);
    return 1;
}

int CZRTargetDlg::RemoveListAgent(int list, const QString& name)
{
    QListWidget* box = m_box[list & 1];
    const QList<QListWidgetItem*> found = box->findItems(name, Qt::MatchExactly);
    for (QListWidgetItem* item : found)
        delete box->takeItem(box->row(item));
    return found.isEmpty() ? 0 : 1;
}

int CZRTargetDlg::AddListAgents(int list)
{
    const QStringList& l = m_agents[list & 1];
    for (const QString& name : l)
        AddListAgent(list, name);
    return l.isEmpty() ? 0 : 1;
}

void CZRTargetDlg::moveCurrent(int from)
{
    QListWidget* box = m_box[from];
    const int row = box->currentRow();
    if (row < 0) return;
    const QString name = box->item(row)->text();
    const int to = 1 - from;
    if (AddAgent(to, name)) AddListAgent(to, name);
    RemoveAgent(from, name);
    RemoveListAgent(from, name);
    // The next name is ready for the next click.
    if (box->count() > 0) box->setCurrentRow(qMin(row, box->count() - 1));
}

void CZRTargetDlg::OnInitDialog()
{
    if (m_inited) return;
    m_inited = true;
    setWindowTitle(windowTitle() + m_title);
    AddListAgents(0);
    AddListAgents(1);
    OnOpen();
}

void CZRTargetDlg::showEvent(QShowEvent* e)
{
    OnInitDialog();
    QDialog::showEvent(e);
}

int CZRTargetDlg::ApplyTo(ZRTransferAction action, int code, void* context, const _TransferRequest& request)
{
    if (action == nullptr) return 0;
    int refused = 0;
    for (const QString& device : std::as_const(m_agents[0])) {
        const QString pair = request.localPath + u'\n' + request.remotePath + u'\n' + device;
        if (m_applied.contains(pair)) continue;
        if (action(request, code, context, QStringLiteral("%1|%2").arg(m_nick, device)))
            m_applied.insert(pair);
        else
            ++refused;
    }
    return refused;
}

QSize CZRTargetDlg::DialogUnits(int width, int height) const
{
    // A dialog unit is a quarter of the average character width and an eighth of the line height.
    const QFontMetrics fm(font());
    const QString sample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int charWidth = (fm.horizontalAdvance(sample) / 26 + 1) / 2;
    return QSize(width * charWidth / 4, height * fm.height() / 8);
}
