// Remote paths, names and sizes as the panes build and check them.
#include "fmpaths.h"
#include "fmtest.h"

using namespace zrpath;

TEST(Sizes, RoundToTheNearestKilobyteAndNeverShowZero)
{
    EXPECT_EQ(SizeText(0), QStringLiteral("1 KB"));
    EXPECT_EQ(SizeText(511), QStringLiteral("1 KB"));
    EXPECT_EQ(SizeText(1535), QStringLiteral("1 KB"));
    EXPECT_EQ(SizeText(1536), QStringLiteral("2 KB"));
    EXPECT_EQ(SizeText(5000000000ull), QStringLiteral("4882813 KB"));
    EXPECT_EQ(SizeText(~quint64(0)), QStringLiteral("18014398509481984 KB")); // no wrap at the top
}

TEST(RemotePaths, SeparatorsFollowTheAgentAndOnlyTheRootKeepsATrailingOne)
{
    EXPECT_EQ(Normalize(QStringLiteral("\\usr\\bin\\"), 0), QStringLiteral("/usr/bin"));
    EXPECT_EQ(Normalize(QStringLiteral("//usr//bin"), 0), QStringLiteral("/usr/bin"));
    EXPECT_EQ(Normalize(QStringLiteral("/Storage Card/x/"), 1), QStringLiteral("\\Storage Card\\x"));
    EXPECT_EQ(Normalize(QStringLiteral("/"), 0), QStringLiteral("/"));
    EXPECT_EQ(Normalize(QStringLiteral("C:"), 2), QStringLiteral("C:\\"));
    EXPECT_EQ(Normalize(QStringLiteral("C:/"), 2), QStringLiteral("C:\\"));

    EXPECT_EQ(Parent(QStringLiteral("/usr/bin"), 0), QStringLiteral("/usr"));
    EXPECT_EQ(Parent(QStringLiteral("/usr"), 0), QStringLiteral("/"));
    EXPECT_EQ(Parent(QStringLiteral("/"), 0), QStringLiteral("/"));
    EXPECT_EQ(Parent(QStringLiteral("C:\\Data"), 2), QStringLiteral("C:\\"));
    EXPECT_EQ(Parent(QStringLiteral("C:\\"), 2), QStringLiteral("\\")); // the drive list
    EXPECT_TRUE(IsRoot(QStringLiteral("\\"), 2));
    EXPECT_FALSE(IsRoot(QStringLiteral("C:\\"), 2));

    // Only the directory is rewritten; the name goes as it is.
    EXPECT_EQ(Join(QStringLiteral("/"), QStringLiteral("a b"), 0), QStringLiteral("/a b"));
    EXPECT_EQ(Join(QStringLiteral("C:/Data/"), QStringLiteral("x.txt"), 2),
              QStringLiteral("C:\\Data\\x.txt"));
}

TEST(RemotePaths, OneSpellingPerFile)
{
    EXPECT_EQ(Canonical(QStringLiteral("//x"), 0), Canonical(QStringLiteral("/x"), 0));
    EXPECT_EQ(Canonical(QStringLiteral("/tmp//a/"), 0), Canonical(QStringLiteral("\\tmp\\a"), 0));
    EXPECT_NE(Canonical(QStringLiteral("/A"), 0), Canonical(QStringLiteral("/a"), 0));
    EXPECT_EQ(Canonical(QStringLiteral("C:\\DATA\\Log.txt"), 2),
              Canonical(QStringLiteral("c:/data/log.TXT"), 2));
    EXPECT_EQ(CanonicalLocal(QStringLiteral("/tmp//x/../y")), QStringLiteral("/tmp/y"));
}

TEST(RemotePaths, FolderOfATransferredFile)
{
    EXPECT_EQ(FolderOf(QStringLiteral("C:\\Data\\a.txt")), QStringLiteral("C:\\Data"));
    EXPECT_EQ(FolderOf(QStringLiteral("C:\\a.txt")), QStringLiteral("C:\\"));
    EXPECT_EQ(FolderOf(QStringLiteral("/a.txt")), QStringLiteral("/"));
    EXPECT_EQ(FolderOf(QStringLiteral("a.txt")), QString());
    EXPECT_EQ(NameOf(QStringLiteral("/x/y\\z.bin")), QStringLiteral("z.bin"));
    EXPECT_EQ(NameOf(QStringLiteral("plain")), QString());
}

TEST(Names, OperatorNamesAndAgentNames)
{
    for (const char* bad : {"a\\b", "a/b", "c:", "*", "a?", "\"q\"", "<", ">", "|", "tab\there"})
        EXPECT_FALSE(ValidName(QString::fromLatin1(bad))) << bad;
    EXPECT_TRUE(ValidName(QStringLiteral("New Folder (3)")));

    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "q\"uote", "bell\a"})
        EXPECT_FALSE(AcceptableAgentName(QString::fromLatin1(bad))) << bad;
    EXPECT_TRUE(AcceptableAgentName(QStringLiteral("C:")));
    EXPECT_TRUE(AcceptableAgentName(QStringLiteral("with space's")));
    EXPECT_TRUE(AcceptableAgentName(QString(300, QLatin1Char('n'))));

    EXPECT_TRUE(FitsWire(QString(kMaxWireBytes, QLatin1Char('a'))));
    EXPECT_FALSE(FitsWire(QString(kMaxWireBytes + 1, QLatin1Char('a'))));
    EXPECT_FALSE(FitsWire(QString(kMaxWireBytes / 2 + 1, QChar(0x00e9)))); // bytes, not characters
}
