// The console's small rules: model pictures, window titles, error captions, storage panes.
#include "consoletest.h"
#include "modelpicture.h"

#include <QDir>

namespace {
void touch(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
}
} // namespace

TEST(ModelPicture, LookupRules)
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-310-XPE"), dir.path()), QString());
    touch(d.filePath(QStringLiteral("TRN-310-XPE.png")));
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-310-XPE"), dir.path()), QString()) << "only .bmp counts";
    touch(d.filePath(QStringLiteral("TRN-310.BMP")));
    touch(d.filePath(QStringLiteral(".TRN-120 hidden.bmp")));
    touch(d.filePath(QStringLiteral("TRN-610-LX.bmp.old")));
    // The suffix is cut; the number part alone matches too.
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-310-XPE"), dir.path()),
              d.filePath(QStringLiteral("TRN-310.BMP")));
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-310-B2"), dir.path()),
              d.filePath(QStringLiteral("TRN-310.BMP")));
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-120-CE"), dir.path()),
              d.filePath(QStringLiteral(".TRN-120 hidden.bmp")));
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-610-LX"), dir.path()), QString());
    // The prefix must be there as well.
    EXPECT_EQ(FindModelPicture(QStringLiteral("GX-310"), dir.path()), QString());
    // No digit, an empty model, a suffix only: nothing to look for.
    EXPECT_EQ(FindModelPicture(QStringLiteral("PANEL"), dir.path()), QString());
    EXPECT_EQ(FindModelPicture(QString(), dir.path()), QString());
    EXPECT_EQ(FindModelPicture(QStringLiteral("-XPE"), dir.path()), QString());
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-310-XPE"), dir.filePath(QStringLiteral("missing"))),
              QString());
}

TEST(ConsoleText, TitlesAndCaptions)
{
    EXPECT_TRUE(TitleNamesAgent(QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1")));
    EXPECT_TRUE(TitleNamesAgent(QStringLiteral("Network - 10.0.0.1"), QStringLiteral("10.0.0.1")));
    EXPECT_TRUE(TitleNamesAgent(QStringLiteral("Date - KIOSK"), QStringLiteral("kiosk")));
    EXPECT_FALSE(TitleNamesAgent(QStringLiteral("Network - 10.0.0.2"), QStringLiteral("10.0.0.1")));
    // Titles ending in "-" are read no further than their end.
    EXPECT_FALSE(TitleNamesAgent(QStringLiteral("Network -"), QStringLiteral("10.0.0.1")));
    EXPECT_FALSE(TitleNamesAgent(QStringLiteral("-"), QStringLiteral("x")));
    EXPECT_TRUE(TitleNamesAgent(QStringLiteral("-"), QString()));
    EXPECT_EQ(NickAddress(QStringLiteral("10.0.0.1:panel-1")), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(NickAddress(QStringLiteral("gateway-wide")), QStringLiteral("gateway-wide"));
}

using StoragePanes = ConsoleFixture;

TEST_F(StoragePanes, TextPercentAndClearing)
{
    start("");
    frame->SetStoragePanes(250, 1000);
    EXPECT_EQ(frame->StorageText(), QStringLiteral("Storage: 250 KB / 1000 KB"));
    EXPECT_EQ(frame->StoragePercent(), 25);
    frame->SetStoragePanes(1, 100000);
    EXPECT_EQ(frame->StoragePercent(), 1);
    frame->SetStoragePanes(995, 1000);
    EXPECT_EQ(frame->StoragePercent(), 100);
    // Beyond 32 bits, and a used figure above the total, stay sane.
    frame->SetStoragePanes(6000000000LL, 8000000000LL);
    EXPECT_EQ(frame->StorageText(), QStringLiteral("Storage: 6000000000 KB / 8000000000 KB"));
    EXPECT_EQ(frame->StoragePercent(), 75);
    frame->SetStoragePanes(5000, 1000);
    EXPECT_EQ(frame->StoragePercent(), 100);
    frame->SetStoragePanes(0, 0);
    EXPECT_TRUE(frame->StorageText().isEmpty());
    frame->SetStoragePanes(10, -5);
    EXPECT_TRUE(frame->StorageText().isEmpty());
}

using AgentNodes = ConsoleFixture;

// New agent nodes are held back briefly and join in one insert; every tree operation sees them at once.
TEST_F(AgentNodes, HeldBackNodesJoinInArrivalOrder)
{
    start("[Gateway]\nCount=2\nName1=Plant\nIP1=127.0.0.1\nName2=Depot\nIP2=127.0.0.2\n");
    CZRAgentTree* t = tree();
    QTreeWidgetItem* plant = t->FindGateway(QStringLiteral("Plant"));
    ASSERT_NE(plant, nullptr);
    QTreeWidgetItem* a = t->AddAgent(QStringLiteral("Plant"), QStringLiteral("10.0.0.1"), IMG_AGENT);
    QTreeWidgetItem* b = t->AddAgent(QStringLiteral("Plant"), QStringLiteral("10.0.0.2"));
    EXPECT_EQ(t->AddAgent(QStringLiteral("Plant"), QStringLiteral("10.0.0.1")), a);
    EXPECT_EQ(t->AgentCount(), 2);
    EXPECT_EQ(t->StateImage(a), IMG_AGENT);
    EXPECT_EQ(t->StateImage(b), IMG_AGENT_UPGRADE);
    ASSERT_TRUE(waitUntil([&] { return plant->childCount() == 2; }, 2000));
    EXPECT_EQ(plant->child(0), a);
    EXPECT_EQ(plant->child(1), b);
    EXPECT_EQ(CZRAgentTree::Param(a), NODE_AGENT);

    // Removed, or handed out by FindAgent, before the flush: the index and the tree agree.
    t->AddAgent(QStringLiteral("Plant"), QStringLiteral("10.0.0.3"));
    EXPECT_TRUE(t->RemoveAgent(QStringLiteral("Plant"), QStringLiteral("10.0.0.3")));
    EXPECT_EQ(t->FindAgent(QStringLiteral("Plant"), QStringLiteral("10.0.0.3")), nullptr);
    EXPECT_EQ(plant->childCount(), 2);
    QTreeWidgetItem* d = t->AddAgent(QStringLiteral("Plant"), QStringLiteral("10.0.0.4"));
    EXPECT_EQ(t->FindAgent(QStringLiteral("Plant"), QStringLiteral("10.0.0.4")), d);
    EXPECT_EQ(d->parent(), plant);
    EXPECT_EQ(CZRAgentTree::GatewayOf(d), QStringLiteral("Plant"));

    // A gateway removed with nodes still held back takes them along.
    t->AddAgent(QStringLiteral("Plant"), QStringLiteral("10.0.0.5"));
    t->RemoveGateway(QStringLiteral("Plant"));
    EXPECT_EQ(t->AgentCount(), 0);
    EXPECT_EQ(t->FindAgent(QStringLiteral("Plant"), QStringLiteral("10.0.0.5")), nullptr);
    // And the console closing with nodes held back frees them (the sanitizer build checks).
    ASSERT_NE(t->AddAgent(QStringLiteral("Depot"), QStringLiteral("10.0.1.1")), nullptr);
}
