// The agent tree: one node per gateway, one child per agent it reports. The tree holds no records;
// it finds gateways and agents again by name. Each node's bits and state image are its item data.
#pragma once

#include "resource.h"

#include <QHash>
#include <QIcon>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <utility>
#include <vector>

class QMenu;

class CZRAgentTree : public QTreeWidget
{
    Q_OBJECT

public:
    explicit CZRAgentTree(QWidget* parent = nullptr);
    ~CZRAgentTree() override;

    // The menu for a resource id (gateway or agent menu), executed on right-button up.
    void SetMenuProvider(std::function<QMenu*(int)> provider) { m_menuProvider = std::move(provider); }

    QTreeWidgetItem* InsertGateway(const QString& name, const QString& address);
    QTreeWidgetItem* FindGateway(const QString& name) const;
    QTreeWidgetItem* FindAgent(const QString& gateway, const QString& agent) const;
    // The existing node, or a new one with bits 0x10 and the state image (5 unless named); null without
    // the gateway's node. A new node joins its gateway's children within kInsertDelay ms, in order of
    // arrival; the tree's own look-ups and changes see it at once.
    QTreeWidgetItem* AddAgent(const QString& gateway, const QString& agent, int image = IMG_AGENT_UPGRADE);
    // Attaches the nodes AddAgent still holds back.
    void FlushAgents() const;
    static constexpr int kInsertDelay = 40;
    // True when the node existed.
    bool RemoveAgent(const QString& gateway, const QString& agent);
    void RemoveAllAgents(const QString& gateway);
    void RemoveGateway(const QString& name);
    void RemoveOfflineGateways();
    void ExpandAllGateways();

    static unsigned Param(const QTreeWidgetItem* item);
    static void SetParam(QTreeWidgetItem* item, unsigned bits);
    int StateImage(const QTreeWidgetItem* item) const;
    void SetStateImage(QTreeWidgetItem* item, int image);
    // The gateway's name from a label "name (address)": cut before the last "(" and the blank before it.
    static QString GatewayName(const QString& label);
    // A gateway node's name, or an agent node's gateway name.
    static QString GatewayOf(const QTreeWidgetItem* item);

    // The bits of the selected node (or of the context item) with its name and, for an agent, its
    // gateway's name; 1 when there is no node.
    unsigned GetSelectedInfo(QString* name, QString* gateway, bool context = false) const;
    // A connected gateway or an agent.
    bool IsAgentCommandTarget(bool context = false) const;
    QTreeWidgetItem* ContextItem() const { return m_context; }
    QTreeWidgetItem* HotItem() const { return m_hot; }
    int PendingMenu() const { return m_menu; }
    bool IsTracking() const { return m_tracking; }
    int AgentCount() const { return int(m_agents.size()); }

signals:
    // The info view follows the node: on every selection change, and on a double-click of the selected node.
    void NodeActivated(QTreeWidgetItem* item, bool doubleClick);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void setHot(QTreeWidgetItem* item);
    void restoreHighlights();
    // Drops every pointer to a node about to be deleted (its children included).
    void forget(QTreeWidgetItem* item);
    static QString agentKey(const QString& gateway, const QString& agent) { return gateway + u'|' + agent; }

    QIcon m_images[6];
    QHash<QString, QTreeWidgetItem*> m_gateways;
    QHash<QString, QTreeWidgetItem*> m_agents;
    // New agent nodes with their gateway's node, waiting for the next flush: a fleet arrives in
    // thousands of notifications, and the view lays out and repaints all its rows per insert burst.
    mutable std::vector<std::pair<QTreeWidgetItem*, QTreeWidgetItem*>> m_pending;
    QTimer m_flush;
    std::function<QMenu*(int)> m_menuProvider;
    int m_menu = 0;
    QTreeWidgetItem* m_context = nullptr;
    QTreeWidgetItem* m_hot = nullptr;
    bool m_tracking = false;
    bool m_captured = false;
};
