#include "tarndevview.h"

#include "agenttree.h"

#include <QVBoxLayout>

CTarnDevView::CTarnDevView(QWidget* parent) : QWidget(parent), m_tree(new CZRAgentTree(this))
{
    setObjectName(QStringLiteral("DevView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
}
