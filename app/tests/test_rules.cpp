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
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-310-XPE"), dir.path()), d.filePath(QStringLiteral("TRN-310.BMP")));
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-310-B2"), dir.path()), d.filePath(QStringLiteral("TRN-310.BMP")));
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-120-CE"), dir.path()),
              d.filePath(QStringLiteral(".TRN-120 hidden.bmp")));
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-610-LX"), dir.path()), QString());
    // The prefix must be there as well.
    EXPECT_EQ(FindModelPicture(QStringLiteral("GX-310"), dir.path()), QString());
    // No digit, an empty model, a suffix only: nothing to look for.
    EXPECT_EQ(FindModelPicture(QStringLiteral("PANEL"), dir.path()), QString());
    EXPECT_EQ(FindModelPicture(QString(), dir.path()), QString());
    EXPECT_EQ(FindModelPicture(QStringLiteral("-XPE"), dir.path()), QString());
    EXPECT_EQ(FindModelPicture(QStringLiteral("TRN-310-XPE"), dir.filePath(QStringLiteral("missing"))), QString());
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
