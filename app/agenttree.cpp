#include "agenttree.h"

#include "resource.h"

#include <resources.h>

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>

namespace {
constexpr int kParamRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
const QColor kBackground(241, 255, 213);
const QColor kHotBackground(150, 173, 114);
} // namespace

CZRAgentTree::CZRAgentTree(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("AgentTree"));
    setAccessibleName(QStringLiteral("Gateways and agents"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setExpandsOnDoubleClick(false);
    setStyleSheet(QStringLiteral("QTreeView { background: rgb(241,255,213); color: rgb(0,30,0); }"
                                 "QTreeView::item { height: 18px; }"));
    const int ids[6] = {IDI_BLANK, IDI_GATEWAY_OFF,    IDI_GATEWAY_ON,
                        IDI_AGENT, IDI_AGENT_TRANSFER, IDI_AGENT_UPGRADE};
    for (int i = 0; i < 6; ++i)
        m_images[i] = LoadResIcon(ids[i]);

    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* now, QTreeWidgetItem*) {
        // What the view shows for a gateway depends on its children.
        FlushAgents();
        if (now) emit NodeActivated(now, false);
    });
    m_flush.setSingleShot(true);
    m_flush.setInterval(kInsertDelay);
    connect(&m_flush, &QTimer::timeout, this, [this] { FlushAgents(); });
}

CZRAgentTree::~CZRAgentTree()
{
    // The view's own teardown may change the current item; nothing may flush into it then.
    disconnect(this, &QTreeWidget::currentItemChanged, this, nullptr);
    for (const auto& [parent, item] : m_pending)
        delete item;
    m_pending.clear();
}

QTreeWidgetItem* CZRAgentTree::InsertGateway(const QString& name, const QString& address)
{
    auto* item = new QTreeWidgetItem(QStringList{QStringLiteral("%1 (%2)").arg(name, address)});
    SetParam(item, NODE_GATEWAY);
    SetStateImage(item, IMG_GATEWAY_OFF);
    item->setToolTip(0, QStringLiteral("%1 (%2)").arg(name, address));
    addTopLevelItem(item);
    m_gateways.insert(name, item);
    return item;
}

QTreeWidgetItem* CZRAgentTree::FindGateway(const QString& name) const
{
    return m_gateways.value(name, nullptr);
}

QTreeWidgetItem* CZRAgentTree::FindAgent(const QString& gateway, const QString& agent) const
{
    // A node handed out is one the caller can select.
    FlushAgents();
    return m_agents.value(agentKey(gateway, agent), nullptr);
}

void CZRAgentTree::FlushAgents() const
{
    if (m_pending.empty()) return;
    auto pending = std::move(m_pending);
    m_pending.clear();
    // One insert per run of one gateway's agents, in order of arrival.
    for (std::size_t i = 0; i < pending.size();) {
        QTreeWidgetItem* parent = pending[i].first;
        QList<QTreeWidgetItem*> run;
        for (; i < pending.size() && pending[i].first == parent; ++i)
            run.append(pending[i].second);
        parent->addChildren(run);
    }
}

QTreeWidgetItem* CZRAgentTree::AddAgent(const QString& gateway, const QString& agent, int image)
{
    QTreeWidgetItem* parent = FindGateway(gateway);
    if (parent == nullptr) return nullptr;
    const QString key = agentKey(gateway, agent);
    if (QTreeWidgetItem* existing = m_agents.value(key, nullptr)) return existing;
    auto* item = new QTreeWidgetItem(QStringList{agent});
    // Set up before it joins the tree, so that it costs no change signals; an agent never has
    // children, which spares the view a look at each one whenever it lays the tree out.
    item->setFlags(item->flags() | Qt::ItemNeverHasChildren);
    SetParam(item, NODE_AGENT);
    SetStateImage(item, image);
    m_pending.emplace_back(parent, item);
    if (!m_flush.isActive()) m_flush.start();
    m_agents.insert(key, item);
    return item;
}

bool CZRAgentTree::RemoveAgent(const QString& gateway, const QString& agent)
{
    FlushAgents();
    QTreeWidgetItem* item = m_agents.value(agentKey(gateway, agent), nullptr);
    if (item == nullptr) return false;
    forget(item);
    delete item;
    return true;
}

void CZRAgentTree::RemoveAllAgents(const QString& gateway)
{
    FlushAgents();
    QTreeWidgetItem* parent = FindGateway(gateway);
    if (parent == nullptr) return;
    // Forgotten while still attached: an agent's index key names its gateway.
    for (int i = 0; i < parent->childCount(); ++i)
        forget(parent->child(i));
    qDeleteAll(parent->takeChildren());
}

void CZRAgentTree::RemoveGateway(const QString& name)
{
    QTreeWidgetItem* item = FindGateway(name);
    if (item == nullptr) return;
    RemoveAllAgents(name);
    forget(item);
    delete item;
}

void CZRAgentTree::RemoveOfflineGateways()
{
    FlushAgents();
    QStringList names;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if ((Param(item) & NODE_GATEWAY) && !(Param(item) & NODE_CONNECTED))
            names << GatewayName(item->text(0));
    }
    for (const QString& name : names)
        RemoveGateway(name);
}

void CZRAgentTree::ExpandAllGateways()
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (!topLevelItem(i)->isExpanded()) topLevelItem(i)->setExpanded(true);
}

unsigned CZRAgentTree::Param(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kParamRole).toUInt() : 0;
}

void CZRAgentTree::SetParam(QTreeWidgetItem* item, unsigned bits)
{
    if (item) item->setData(0, kParamRole, bits);
}

int CZRAgentTree::StateImage(const QTreeWidgetItem* item) const
{
    return item ? item->data(0, kImageRole).toInt() : 0;
}

void CZRAgentTree::SetStateImage(QTreeWidgetItem* item, int image)
{
    if (item == nullptr || image < 0 || image > 5 || StateImage(item) == image) return;
    item->setData(0, kImageRole, image);
    item->setIcon(0, m_images[image]);
}

QString CZRAgentTree::GatewayName(const QString& label)
{
    const qsizetype open = label.lastIndexOf(u'(');
    if (open < 0) return label;
    return label.left(qMax<qsizetype>(0, open - 1));
}

QString CZRAgentTree::GatewayOf(const QTreeWidgetItem* item)
{
    if (item == nullptr) return QString();
    if (Param(item) & NODE_AGENT) item = item->parent();
    return item ? GatewayName(item->text(0)) : QString();
}

unsigned CZRAgentTree::GetSelectedInfo(QString* name, QString* gateway, bool context) const
{
    const QTreeWidgetItem* item = context ? m_context : currentItem();
    if (item == nullptr || item->text(0).isEmpty()) return 1;
    const unsigned bits = Param(item);
    if (bits & NODE_AGENT) {
        if (name) *name = item->text(0);
        if (gateway) *gateway = GatewayOf(item);
    } else if (name) {
        *name = GatewayName(item->text(0));
    }
    return bits;
}

bool CZRAgentTree::IsAgentCommandTarget(bool context) const
{
    const unsigned bits = GetSelectedInfo(nullptr, nullptr, context);
    if (bits == 1) return false;
    return ((bits & NODE_GATEWAY) && (bits & NODE_CONNECTED)) || (bits & NODE_AGENT);
}

void CZRAgentTree::forget(QTreeWidgetItem* item)
{
    for (int i = 0; i < item->childCount(); ++i)
        forget(item->child(i));
    if (item == m_context) m_context = nullptr;
    if (item == m_hot) m_hot = nullptr;
    if (Param(item) & NODE_AGENT) {
        m_agents.remove(agentKey(GatewayOf(item), item->text(0)));
    } else {
        const QString name = GatewayName(item->text(0));
        if (m_gateways.value(name) == item) m_gateways.remove(name);
    }
}

void CZRAgentTree::setHot(QTreeWidgetItem* item)
{
    if (item == m_hot) return;
    if (m_hot) m_hot->setData(0, Qt::BackgroundRole, QVariant());
    m_hot = item;
    if (m_hot && m_hot != currentItem()) m_hot->setBackground(0, kHotBackground);
}

void CZRAgentTree::restoreHighlights()
{
    if (m_hot) m_hot->setData(0, Qt::BackgroundRole, QVariant());
    m_hot = nullptr;
    if (selectionModel() && currentItem()) currentItem()->setSelected(true);
}

void CZRAgentTree::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::RightButton) {
        QTreeWidget::mousePressEvent(e);
        return;
    }
    // Commands from the menu act on this node, so the tree must own the focus, not a grid.
    setFocus(Qt::MouseFocusReason);
    QTreeWidgetItem* item = itemAt(e->position().toPoint());
    m_menu = 0;
    if (item) {
        const unsigned bits = Param(item);
        m_menu = (bits & NODE_GATEWAY) ? IDR_GATEWAY_MENU : (bits & NODE_AGENT) ? IDR_AGENT_MENU : 0;
        m_context = item;
        if (item != currentItem() && currentItem()) currentItem()->setSelected(false);
        setHot(item);
    } else if (currentItem()) {
        currentItem()->setSelected(false);
    }
    m_captured = true;
    e->accept();
}

void CZRAgentTree::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::RightButton) || !m_captured) {
        QTreeWidget::mouseMoveEvent(e);
        return;
    }
    QTreeWidgetItem* item = itemAt(e->position().toPoint());
    if (item && item != m_hot) {
        if (m_hot == currentItem() && m_hot) m_hot->setSelected(false);
        if (item == currentItem()) {
            if (m_hot) m_hot->setData(0, Qt::BackgroundRole, QVariant());
            m_hot = item;
            item->setSelected(true);
        } else {
            setHot(item);
        }
        m_context = item;
        const unsigned bits = Param(item);
        m_menu = (bits & NODE_GATEWAY) ? IDR_GATEWAY_MENU : (bits & NODE_AGENT) ? IDR_AGENT_MENU : 0;
    }
    e->accept();
}

void CZRAgentTree::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::RightButton) {
        QTreeWidget::mouseReleaseEvent(e);
        return;
    }
    e->accept();
    if (!m_captured) return;
    m_captured = false;
    QPointer<CZRAgentTree> self(this);
    if (m_menu != 0 && m_menuProvider) {
        if (QMenu* menu = m_menuProvider(m_menu)) {
            m_tracking = true;
            menu->exec(viewport()->mapToGlobal(e->position().toPoint()));
            if (!self) return;
            m_tracking = false;
        }
    }
    m_menu = 0;
    restoreHighlights();
}

void CZRAgentTree::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    QTreeWidgetItem* item = itemAt(e->position().toPoint());
    QTreeWidget::mouseDoubleClickEvent(e);
    if (item && item == currentItem()) emit NodeActivated(item, true);
}

void CZRAgentTree::focusOutEvent(QFocusEvent* e)
{
    if (!m_tracking && !m_captured) restoreHighlights();
    QTreeWidget::focusOutEvent(e);
}
