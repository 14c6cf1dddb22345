// The left pane: the agent tree over the whole view.
#pragma once

#include <QWidget>

class CZRAgentTree;

class CTarnDevView : public QWidget
{
    Q_OBJECT

public:
    explicit CTarnDevView(QWidget* parent = nullptr);
    CZRAgentTree* Tree() const { return m_tree; }

private:
    CZRAgentTree* m_tree;
};
