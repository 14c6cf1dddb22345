// Screen readers and UI automation read the console through the accessibility tree.
#include "consoletest.h"
#include "gateway_process.h"

#include <QAccessible>

namespace {
// Depth-first over the accessibility tree; the first interface whose name or value is text.
QAccessibleInterface* findText(QAccessibleInterface* node, const QString& text, int depth = 0)
{
    if (node == nullptr || depth > 40) return nullptr;
    if (node->text(QAccessible::Name) == text || node->text(QAccessible::Value) == text) return node;
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface* hit = findText(node->child(i), text, depth + 1)) return hit;
    return nullptr;
}

bool everyControlNamed(QWidget* root, QStringList* unnamed)
{
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a) continue;
        const QAccessible::Role role = a->role();
        const bool control = role == QAccessible::PushButton || role == QAccessible::Tree ||
                             role == QAccessible::Table || role == QAccessible::ProgressBar ||
                             role == QAccessible::ToolBar;
        if (control && a->text(QAccessible::Name).isEmpty())
            *unnamed << QString::fromLatin1(w->metaObject()->className());
    }
    return unnamed->isEmpty();
}
} // namespace

using Accessible = ConsoleFixture;

TEST_F(Accessible, TreeNodesAndDevicePageAreReadable)
{
    tarntest::GatewayProcess gw({"--agents", "3"});
    ASSERT_TRUE(gw.ok());
    start("[Gateway]\nCount=1\nName1=Plant\nIP1=127.0.0.1\nPort1=" + QByteArray::number(gw.port()) + "\n");
    ASSERT_TRUE(doc()->ConnectGateway(QStringLiteral("Plant")));
    QTreeWidgetItem* node = tree()->FindGateway(QStringLiteral("Plant"));
    ASSERT_TRUE(waitUntil([&] { return node->childCount() == 3; }));
    QTreeWidgetItem* agent = node->child(0);
    tree()->setCurrentItem(agent);
    CZRAgent& record = control()->GetAgent(QStringLiteral("Plant|") + agent->text(0));
    ASSERT_TRUE(waitUntil([&] { return !record.GetModelName().isEmpty(); }));
    pump(50);

    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(frame.get());
    ASSERT_NE(root, nullptr);
    EXPECT_NE(findText(root, QStringLiteral("Plant (127.0.0.1)")), nullptr);
    EXPECT_NE(findText(root, QStringLiteral("10.1.0.2")), nullptr);
    // The device page's values, as the agent reported them.
    QString model, host, cpu, os, firmware;
    record.GetDeviceInfo(model, host, cpu, os, firmware);
    EXPECT_NE(findText(root, model), nullptr) << model.toStdString();
    EXPECT_NE(findText(root, host), nullptr) << host.toStdString();
    EXPECT_NE(findText(root, QStringLiteral("Model Name")), nullptr);

    QStringList unnamed;
    EXPECT_TRUE(everyControlNamed(frame.get(), &unnamed)) << unnamed.join(u' ').toStdString();
}
