// The profile file: private-profile semantics on disk, the text that is written back, and a write
// that fails part-way.
#include "profilefile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ProfileFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("TarnTool.ini")); }
    void writeRaw(const QByteArray& bytes)
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readRaw() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(ProfileFileTest, NamesCompareWithoutCaseAndTheFirstOfANameWins)
{
    writeRaw("[Gateway]\r\nCount=2\r\ncount=9\r\n[GATEWAY]\r\nCount=7\r\n");
    ProfileFile p(path());
    EXPECT_EQ(p.GetString(QStringLiteral("gateway"), QStringLiteral("COUNT"), QStringLiteral("x")), u"2");
    EXPECT_EQ(p.GetInt(QStringLiteral(" Gateway "), QStringLiteral(" Count "), -1), 2);

    // Written under another spelling, the existing entry changes; nothing is added.
    ASSERT_TRUE(p.WriteString(QStringLiteral("GATEWAY"), QStringLiteral("COUNT"), QStringLiteral("3")));
    EXPECT_EQ(p.GetInt(QStringLiteral("Gateway"), QStringLiteral("Count"), -1), 3);
    EXPECT_EQ(readRaw(), QByteArray("[Gateway]\r\nCOUNT=3\r\ncount=9\r\n[GATEWAY]\r\nCount=7\r\n"));
}

TEST_F(ProfileFileTest, DefaultOnlyForAMissingKey)
{
    writeRaw("[File Upload]\nLocalDir=\nRemoteDir=  \n");
    ProfileFile p(path());
    const QString def = QStringLiteral("\\");
    EXPECT_EQ(p.GetString(QStringLiteral("File Upload"), QStringLiteral("LocalDir"), def),
              QStringLiteral(""));
    EXPECT_FALSE(p.GetString(QStringLiteral("File Upload"), QStringLiteral("LocalDir"), def).isNull());
    EXPECT_EQ(p.GetString(QStringLiteral("File Upload"), QStringLiteral("RemoteDir"), def),
              QStringLiteral(""));
    EXPECT_EQ(p.GetString(QStringLiteral("File Upload"), QStringLiteral("Missing"), def), def);
    EXPECT_EQ(p.GetString(QStringLiteral("No Such Section"), QStringLiteral("LocalDir"), def), def);
    EXPECT_EQ(p.GetInt(QStringLiteral("File Upload"), QStringLiteral("LocalDir"), 54321), 0);
    EXPECT_EQ(p.GetInt(QStringLiteral("File Upload"), QStringLiteral("Missing"), 54321), 54321);

    // No file at all reads as all defaults.
    ProfileFile none(dir.filePath(QStringLiteral("absent.ini")));
    EXPECT_EQ(none.GetString(QStringLiteral("Gateway"), QStringLiteral("Name1"), def), def);
    EXPECT_EQ(none.GetInt(QStringLiteral("Gateway"), QStringLiteral("Count"), 0), 0);
}

TEST_F(ProfileFileTest, ValuesArePlainTextWithBlanksAndOnePairOfQuotesDropped)
{
    ProfileFile p(path());
    const QString dir1 = QStringLiteral("C:\\data,old;x\\");
    ASSERT_TRUE(p.WriteString(QStringLiteral("File Upload"), QStringLiteral("LocalDir"), dir1));
    EXPECT_EQ(p.GetString(QStringLiteral("File Upload"), QStringLiteral("LocalDir"), {}), dir1);
    EXPECT_TRUE(readRaw().contains("LocalDir=C:\\data,old;x\\\r\n"));

    writeRaw("[q]\na = \" spaced \" \nb='single'\nc=\"mixed'\nd=\"\"x\"\"\ne=\"\n");
    EXPECT_EQ(p.GetString(QStringLiteral("q"), QStringLiteral("a"), {}), u" spaced ");
    EXPECT_EQ(p.GetString(QStringLiteral("q"), QStringLiteral("b"), {}), u"single");
    EXPECT_EQ(p.GetString(QStringLiteral("q"), QStringLiteral("c"), {}), u"\"mixed'");
    EXPECT_EQ(p.GetString(QStringLiteral("q"), QStringLiteral("d"), {}), u"\"x\"");
    EXPECT_EQ(p.GetString(QStringLiteral("q"), QStringLiteral("e"), {}), u"\"");
}

TEST_F(ProfileFileTest, BufferSizeCutsTheValueAsAFixedBufferWould)
{
    ProfileFile p(path());
    const QString longName(300, u'n');
    ASSERT_TRUE(p.WriteString(QStringLiteral("Gateway"), QStringLiteral("Name1"), longName));
    EXPECT_EQ(p.GetString(QStringLiteral("Gateway"), QStringLiteral("Name1"), {}, 260), QString(259, u'n'));
    EXPECT_EQ(p.GetString(QStringLiteral("Gateway"), QStringLiteral("Name1"), {}, 1), QStringLiteral(""));
    EXPECT_EQ(p.GetString(QStringLiteral("Gateway"), QStringLiteral("Name1"), {}), longName);
    // The default goes through the same buffer.
    EXPECT_EQ(p.GetString(QStringLiteral("Gateway"), QStringLiteral("Port1"), QStringLiteral("54321"), 3),
              u"54");
}

TEST_F(ProfileFileTest, GetIntReadsALeadingNumber)
{
    writeRaw("[n]\na=  42abc\nb=-7\nc=+5\nd=abc\ne=99999999999\nf=-99999999999\ng=\" 12 \"\n");
    ProfileFile p(path());
    const auto n = [&](const char* key) {
        return p.GetInt(QStringLiteral("n"), QString::fromLatin1(key), -1);
    };
    EXPECT_EQ(n("a"), 42);
    EXPECT_EQ(n("b"), -7);
    EXPECT_EQ(n("c"), 5);
    EXPECT_EQ(n("d"), 0);
    // Too large for an int: held at the limit instead of wrapping into a wrong number.
    EXPECT_EQ(n("e"), 2147483647);
    EXPECT_EQ(n("f"), -2147483647 - 1);
    EXPECT_EQ(n("g"), 12);
}

TEST_F(ProfileFileTest, AnEmptySectionBodyEmptiesTheSectionAndNothingElse)
{
    writeRaw("[Gateway]\nCount=3\nName1=a\nName2=b\nName3=c\n; kept?\n\n[File Upload]\nLocalDir=/srv\n");
    ProfileFile p(path());
    ASSERT_TRUE(p.WriteSection(QStringLiteral("gateway"), {}));
    const ProfileText t = p.Read();
    EXPECT_TRUE(t.HasSection(QStringLiteral("Gateway")));
    EXPECT_TRUE(t.Section(QStringLiteral("Gateway")).isEmpty());
    EXPECT_TRUE(t.Get(QStringLiteral("Gateway"), QStringLiteral("Name3")).isNull());
    EXPECT_EQ(t.Get(QStringLiteral("File Upload"), QStringLiteral("LocalDir")), u"/srv");

    // Rewritten with fewer entries: no stale key survives.
    ASSERT_TRUE(
        p.WriteSection(QStringLiteral("Gateway"), {QStringLiteral("Count=1"), QStringLiteral("Name1=x")}));
    EXPECT_EQ(p.Read().Section(QStringLiteral("Gateway")),
              (QStringList{QStringLiteral("Count=1"), QStringLiteral("Name1=x")}));
    EXPECT_EQ(p.GetString(QStringLiteral("Gateway"), QStringLiteral("Name2"), QStringLiteral("gone")),
              u"gone");

    // A body line that is no entry would change other entries: refused, the file as it was.
    const QByteArray before = readRaw();
    EXPECT_FALSE(p.WriteSection(QStringLiteral("Gateway"), {QStringLiteral("[Other]=1")}));
    EXPECT_FALSE(p.WriteSection(QStringLiteral("Gateway"), {QStringLiteral("no equals sign")}));
    EXPECT_FALSE(
        p.WriteString(QStringLiteral("Gateway"), QStringLiteral("Name1"), QStringLiteral("a\nName2=b")));
    EXPECT_FALSE(p.WriteString(QStringLiteral("Gate]way"), QStringLiteral("Name1"), QStringLiteral("a")));
    EXPECT_FALSE(p.WriteString(QStringLiteral("Gateway"), QStringLiteral("Na=me"), QStringLiteral("a")));
    EXPECT_EQ(readRaw(), before);
}

TEST_F(ProfileFileTest, CommentsAndUnknownLinesSurviveWrites)
{
    writeRaw(
        "; written by hand\r\n[Gateway]\r\n; the plant\r\nName1=Plant\r\njunk line\r\n\r\n[Mine]\r\nx=1\r\n");
    ProfileFile p(path());
    ASSERT_TRUE(p.WriteString(QStringLiteral("Gateway"), QStringLiteral("IP1"), QStringLiteral("10.0.0.1")));
    ASSERT_TRUE(
        p.WriteString(QStringLiteral("Firmware Upgrade"), QStringLiteral("LocalDir"), QStringLiteral("/fw")));
    // New keys go after the section's last entry, before the blank line that parts it from the next.
    EXPECT_EQ(readRaw(),
              QByteArray("; written by hand\r\n[Gateway]\r\n; the plant\r\nName1=Plant\r\njunk line\r\n"
                         "IP1=10.0.0.1\r\n\r\n[Mine]\r\nx=1\r\n[Firmware Upgrade]\r\nLocalDir=/fw\r\n"));
    ASSERT_TRUE(p.DeleteKey(QStringLiteral("gateway"), QStringLiteral("name1")));
    EXPECT_TRUE(readRaw().contains("; the plant\r\njunk line\r\n"));
    ASSERT_TRUE(p.DeleteSection(QStringLiteral("MINE")));
    EXPECT_FALSE(readRaw().contains("x=1"));
    EXPECT_TRUE(readRaw().startsWith("; written by hand\r\n"));
}

// A second byte-order mark belongs to the first line: written out and read back, the text must
// not turn that line into a section header.
TEST(ProfileText, WrittenTextReadsBackTheSame)
{
    const ProfileText once(QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF[s]\r\nk=v\r\n"));
    EXPECT_TRUE(once.Get(QStringLiteral("s"), QStringLiteral("k")).isNull());
    const ProfileText again(once.ToBytes());
    EXPECT_TRUE(again.Get(QStringLiteral("s"), QStringLiteral("k")).isNull());
    EXPECT_EQ(again.ToBytes(), once.ToBytes());

    // One mark is dropped; a sequence cut off at the end stays as a replacement character.
    const ProfileText bom(QByteArray("\xEF\xBB\xBF[s]\nk=v\xC3"));
    EXPECT_EQ(bom.Get(QStringLiteral("s"), QStringLiteral("k")), QStringLiteral("v\uFFFD"));
    EXPECT_EQ(bom.ToBytes(), QByteArray("[s]\r\nk=v\xEF\xBF\xBD\r\n"));

    // Lone CRs, CR LFs and LFs all end lines and come back as CR LF.
    EXPECT_EQ(ProfileText(QByteArray("[a]\rk=1\r\nj=2\n")).ToBytes(), QByteArray("[a]\r\nk=1\r\nj=2\r\n"));
}

// The profile is replaced whole or not at all.
TEST_F(ProfileFileTest, AFailedWriteLeavesTheOldFile)
{
    const QByteArray old("[Gateway]\r\nCount=1\r\nName1=Plant\r\n");
    writeRaw(old);
    ProfileFile p(path());

    // The file system refuses the data part-way (a full disk, a quota): a file size limit plays it.
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool written =
        p.WriteString(QStringLiteral("Gateway"), QStringLiteral("Name2"), QString(200, u'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_FALSE(written);
    EXPECT_EQ(readRaw(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("TarnTool.ini")});

    // A folder nobody may write to (not for root, who may write anywhere).
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0500), 0);
    QFile probe(dir.filePath(QStringLiteral("probe")));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
    } else {
        EXPECT_FALSE(p.WriteString(QStringLiteral("Gateway"), QStringLiteral("Name2"), QStringLiteral("x")));
        EXPECT_EQ(readRaw(), old);
    }
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
}

} // namespace
