// Transfer bookkeeping against a gateway played by the test: entries, reports, failures, notices.
#include "testutil.h"
#include "transfer_flows.h"
#include "zrcontrol.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using tarntest::startDownload;
using tarntest::startUpload;

namespace {

const QString kGw = QStringLiteral("gw");
const std::string kNick[3] = {"127.0.0.10:a", "127.0.0.11:b", "127.0.0.12:c"};
const QString kKey[3] = {QStringLiteral("gw|127.0.0.10"), QStringLiteral("gw|127.0.0.11"),
                         QStringLiteral("gw|127.0.0.12")};

class Transfers : public WithApp, public ::testing::Test
{
protected:
    void SetUp() override
    {
        testApp();
        ASSERT_TRUE(files.isValid());
        kLocal = files.filePath(QStringLiteral("app.bin"));
        kLocalW = kLocal.toStdString();
        QFile f(kLocal);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1000, 'x'));
        f.close();
        control = std::make_unique<CZRControl>();
        control->SetMainHWND(&rec);
        control->AddGateway(kGw, QStringLiteral("127.0.0.1"), peer.portText());
        ASSERT_EQ(control->Connect2Gateway(kGw), 1);
        ASSERT_TRUE(peer.waitConnected());
        ASSERT_TRUE(waitUntil([&] { return rec.count(1527) == 1; }));
        for (const auto& nick : kNick)
            peer.send("", 26, nick);
        ASSERT_TRUE(waitUntil([&] { return rec.count(1535) == 3; }));
        // Agents with slashes in their paths.
        for (const auto& nick : kNick)
            peer.send(nick, 102, "\"2.1 Build 7\" \"TRN-200\" \"1.0\" \"Linux 5.10\" \"ARM\" \"host\"");
        ASSERT_TRUE(waitUntil([&] { return rec.count(1537) == 3; }));
        rec.clear();
    }
    void TearDown() override { control.reset(); }

    CZRGateway& gw() { return control->GetGateway(kGw); }
    CZRAgent& agent(int i) { return control->GetAgent(kKey[i]); }
    // Sends a report and waits until the console has handled it: a marker round trip follows it.
    void report(const std::string& nick, std::uint16_t code, const std::string& text)
    {
        peer.send(nick, code, text);
        // Replies are handled in order: once the marker agent is there, so is the report's effect.
        peer.send("", 26, "127.0.0.99:marker");
        ASSERT_TRUE(waitUntil([&] { return gw().HasAgent(QStringLiteral("127.0.0.99")); }));
        QCoreApplication::sendPostedEvents(&rec);
        gw().RemoveAgent(QStringLiteral("127.0.0.99"));
        rec.seen.erase(std::remove_if(rec.seen.begin(), rec.seen.end(),
                                      [](const Recorded& r) {
                                          const _Notice* n = std::get_if<_Notice>(&r.payload);
                                          return (r.id == 1535 && r.key.endsWith(QStringLiteral(".99"))) ||
                                                 (r.id == 1635 && n && n->code == 26 &&
                                                  n->text == QStringLiteral("127.0.0.99"));
                                      }),
                       rec.seen.end());
    }
    std::vector<_TransferNotice> notices(int id) const
    {
        std::vector<_TransferNotice> out;
        for (const Recorded& r : rec.all(id))
            if (const auto* n = std::get_if<_TransferNotice>(&r.payload)) out.push_back(*n);
        return out;
    }
    // The frames with that code the console wrote so far, after a round trip through the worker.
    std::vector<std::string> sent(std::uint16_t code)
    {
        control->SendRequest(88, QString(), kKey[1]);
        EXPECT_TRUE(peer.waitFrame(137, ++barriers));
        std::vector<std::string> out;
        for (const auto& f : peer.frames())
            if (f.code == code) out.push_back(f.payload);
        return out;
    }
    // One file to all three agents, at the gateway: the state most cases start from.
    int uploadToAll(int kind = ZRT_UPLOAD, const QString& remote = QStringLiteral("/opt/app.bin"))
    {
        int number = -1;
        for (const QString& key : kKey)
            number = startUpload(*control, key, kind, kLocal, remote, 1000);
        report(kNick[0], 192,
               "\"" + kLocalW + "\" \"" + remote.toStdString() + "\" G7 " + std::to_string(kind));
        return number;
    }
    std::string delivered(int kind = ZRT_UPLOAD, const std::string& remote = "/opt/app.bin")
    {
        return "\"" + kLocalW + "\" \"" + remote + "\" G7 " + std::to_string(kind);
    }

    QTemporaryDir files;
    QString kLocal;
    std::string kLocalW;
    ScriptedPeer peer;
    Recorder rec;
    std::unique_ptr<CZRControl> control;
    int barriers = 0;
};

} // namespace

TEST_F(Transfers, OneFileToThreeAgentsIsOneGatewayEntryClearedAfterTheLastDelivery)
{
    const int n0 = startUpload(*control, kKey[0], ZRT_UPLOAD, kLocal, QStringLiteral("/opt/app.bin"), 1000);
    const int n1 = startUpload(*control, kKey[1], ZRT_UPLOAD, kLocal, QStringLiteral("/opt/app.bin"), 1000);
    const int n2 = startUpload(*control, kKey[2], ZRT_UPLOAD, kLocal, QStringLiteral("/opt/app.bin"), 1000);
    EXPECT_EQ(n0, n1);
    EXPECT_EQ(n1, n2);
    ASSERT_EQ(gw().Uploads().size(), 1);
    EXPECT_EQ(gw().Uploads()[0].targets, 3);
    EXPECT_EQ(sent(191).size(), 1u) << "the file goes to the gateway once";

    report(kNick[0], 192, "\"" + kLocalW + "\" \"/opt/app.bin\" G7 0");
    EXPECT_EQ(gw().Uploads()[0].stage, 2);
    EXPECT_EQ(gw().Uploads()[0].gatewayFile, QStringLiteral("G7"));
    const auto onward = sent(195);
    ASSERT_EQ(onward.size(), 3u);
    EXPECT_EQ(onward[0], kNick[0] + " \"" + kLocalW + "\" \"/opt/app.bin\" G7 0 0");
    const auto started = notices(1595);
    ASSERT_EQ(started.size(), 3u);
    EXPECT_EQ(started[0].status, 5);
    EXPECT_EQ(started[0].number, n0);
    EXPECT_EQ(agent(1).Uploads()[0].status, 1);

    report(kNick[0], 196, delivered());
    report(kNick[1], 196, delivered());
    EXPECT_EQ(gw().Uploads()[0].targets, 1);
    EXPECT_TRUE(sent(197).empty()) << "another agent still needs the copy";
    // A duplicate delivery report changes nothing.
    report(kNick[1], 196, delivered());
    EXPECT_EQ(gw().Uploads()[0].targets, 1);
    EXPECT_EQ(agent(2).GetUploadCount(), 1);
    EXPECT_TRUE(sent(197).empty());
    EXPECT_EQ(notices(1597).size(), 2u);

    report(kNick[2], 196, delivered());
    const auto cleared = sent(197);
    ASSERT_EQ(cleared.size(), 1u);
    EXPECT_EQ(cleared[0], "127.0.0.1 \"G7\"");
    EXPECT_EQ(gw().GetTransferCount(), 0);
    EXPECT_EQ(rec.count(1596), 1);
    EXPECT_EQ(rec.last(1596)->key, kGw);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(agent(i).GetUploadCount(), 0);
    const auto finished = notices(1597);
    ASSERT_EQ(finished.size(), 3u);
    EXPECT_EQ(finished[2].status, 6);
}

TEST_F(Transfers, SecondUploadOfTheSameFileJoinsTheRunningEntry)
{
    const int first = startUpload(*control, kKey[0], ZRT_UPLOAD, kLocal, QStringLiteral("/opt/a"), 10);
    int number = -1;
    EXPECT_EQ(gw().AddTransfer(ZRT_UPLOAD, number, kLocal, 10, 1), 1) << "stage of the running entry";
    EXPECT_EQ(number, first);
    EXPECT_EQ(gw().Uploads()[0].targets, 2);
    // A download of another file is an entry of its own.
    EXPECT_EQ(gw().AddTransfer(ZRT_DOWNLOAD, number, kLocal, 10, 1), -1);
    EXPECT_NE(number, first);
}

TEST_F(Transfers, FirmwareAndUploadOfOneFileAreTwoEntries)
{
    const int upload = startUpload(*control, kKey[0], ZRT_UPLOAD, kLocal, QStringLiteral("/opt/app.bin"), 10);
    const int firmware = startUpload(*control, kKey[1], ZRT_FIRMWARE, kLocal, QStringLiteral("firmware"), 10);
    EXPECT_NE(upload, firmware);
    ASSERT_EQ(gw().Uploads().size(), 2);
    const auto pulled = sent(191);
    ASSERT_EQ(pulled.size(), 2u);
    EXPECT_EQ(pulled[1], kNick[1] + " \"" + kLocalW + "\" firmware 1");

    // Each arrival sends its own form on; neither clears the other.
    report(kNick[1], 192, "\"" + kLocalW + "\" \"firmware\" F1 1");
    auto onward = sent(195);
    ASSERT_EQ(onward.size(), 1u);
    EXPECT_EQ(onward[0], kNick[1] + " \"" + kLocalW + "\" firmware F1 1 0");
    report(kNick[0], 192, "\"" + kLocalW + "\" \"/opt/app.bin\" U1 0");
    onward = sent(195);
    ASSERT_EQ(onward.size(), 2u);
    EXPECT_EQ(onward[1], kNick[0] + " \"" + kLocalW + "\" \"/opt/app.bin\" U1 0 0");
}

TEST_F(Transfers, FirmwareDeliveryLeavesTheAgentUpgradingUntilItReturns)
{
    EXPECT_GE(startUpload(*control, kKey[0], ZRT_FIRMWARE, kLocal, QStringLiteral("firmware"), 10), 0);
    EXPECT_EQ(agent(0).IsTransferFrm(), 1);
    // A second transfer to that agent waits for the firmware.
    EXPECT_EQ(agent(0).AddTransfer(ZRT_UPLOAD, 0, QStringLiteral("/x"), QStringLiteral("/y"), 1), -1);
    report(kNick[0], 192, "\"" + kLocalW + "\" \"firmware\" F1 1");
    report(kNick[0], 196, "\"" + kLocalW + "\" \"firmware\" F1 1");
    EXPECT_EQ(agent(0).IsUpgrading(), 1);
    EXPECT_EQ(agent(0).IsTransferFrm(), 0);
    EXPECT_EQ(control->SendRequest(4, QString(), kKey[0]), 0);
    EXPECT_EQ(control->SendRequest(2, QString(), kKey[0]), 1);
    EXPECT_EQ(sent(197).size(), 1u);
    // Back on line as a fresh record.
    report("", 26, kNick[0]);
    EXPECT_EQ(agent(0).IsUpgrading(), 0);
    EXPECT_EQ(control->SendRequest(4, QString(), kKey[0]), 1);
}

TEST_F(Transfers, FirmwareFailureOnTheAgentClearsTheMark)
{
    startUpload(*control, kKey[0], ZRT_FIRMWARE, kLocal, QStringLiteral("firmware"), 10);
    report(kNick[0], 192, "\"" + kLocalW + "\" \"firmware\" F1 1");
    report(kNick[0], 999, "195 \"" + kLocalW + "\" \"firmware\" 1 \"Disk full.\"");
    EXPECT_EQ(agent(0).IsUpgrading(), 0);
    EXPECT_EQ(agent(0).IsTransferFrm(), 0);
    EXPECT_EQ(agent(0).GetUploadCount(), 0);
    const auto failed = notices(1598);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].status, 10);
    EXPECT_EQ(failed[0].type, 1);
    ASSERT_EQ(rec.count(1528), 1);
    EXPECT_EQ(*std::get_if<QString>(&rec.last(1528)->payload),
              QStringLiteral("Upgrade failed: \nDisk full.\n"));
    EXPECT_EQ(sent(197).size(), 1u) << "nobody needs the copy any more";
}

TEST_F(Transfers, FailureOnTheWayToTheGatewayEndsEveryAgentsEntry)
{
    for (const QString& key : kKey)
        startUpload(*control, key, ZRT_UPLOAD, kLocal, QStringLiteral("/opt/app.bin"), 10);
    report(kNick[0], 999, "191 \"" + kLocalW + "\" \"/opt/app.bin\" 0 \"No space.\"");
    EXPECT_EQ(gw().GetTransferCount(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(agent(i).GetUploadCount(), 0);
    const auto failed = notices(1598);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].status, 9);
    EXPECT_EQ(*std::get_if<QString>(&rec.last(1528)->payload), QStringLiteral("No space."));
    EXPECT_EQ(rec.count(1635), 1);
    EXPECT_TRUE(sent(197).empty()) << "the gateway holds no copy";
}

TEST_F(Transfers, FailureToOneAgentLeavesTheOthersGoing)
{
    uploadToAll();
    report(kNick[1], 999, "195 \"" + kLocalW + "\" \"/opt/app.bin\" 0 \"Access denied.\"");
    EXPECT_EQ(agent(1).GetUploadCount(), 0);
    EXPECT_EQ(agent(0).GetUploadCount(), 1);
    EXPECT_EQ(gw().Uploads()[0].targets, 2);
    EXPECT_EQ(*std::get_if<QString>(&rec.last(1528)->payload),
              QStringLiteral("Upload failed: \nAccess denied.\n"));
    EXPECT_TRUE(sent(197).empty());
}

TEST_F(Transfers, ReportsForTransfersNobodyStartedChangeNothing)
{
    uploadToAll();
    rec.clear();
    const std::string other = "\"/home/op/other.bin\" \"/opt/app.bin\" G7 0";
    report(kNick[0], 196, other);
    report(kNick[0], 192, "\"/home/op/other.bin\" \"/opt/x\" G9 0");
    report(kNick[0], 199, "\"/home/op/other.bin\" \"/opt/app.bin\" 0 G7 0 5 10 1");
    report(kNick[0], 999, "195 \"/home/op/other.bin\" \"/opt/app.bin\" 0 \"Access denied.\"");
    report(kNick[0], 999, "201 \"/home/op/other.bin\" \"/opt/app.bin\" 2 \"No such file.\"");
    EXPECT_EQ(gw().Uploads()[0].targets, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(agent(i).GetUploadCount(), 1);
    EXPECT_TRUE(notices(1597).empty());
    EXPECT_TRUE(notices(1598).empty());
    EXPECT_TRUE(notices(1599).empty());
    EXPECT_TRUE(sent(197).empty());
    EXPECT_TRUE(sent(195).size() == 3u) << "only the three of the real arrival";
    // The failures still reach the operator.
    EXPECT_EQ(rec.count(1528), 2);
}

TEST_F(Transfers, ProgressOnBothLegs)
{
    startUpload(*control, kKey[0], ZRT_UPLOAD, kLocal, QStringLiteral("/opt/app.bin"), 100);
    report(kNick[0], 199, "\"" + kLocalW + "\" \"/opt/app.bin\" 0 G7 0 40 100 0");
    EXPECT_EQ(gw().Uploads()[0].done, 40u);
    report(kNick[0], 192, "\"" + kLocalW + "\" \"/opt/app.bin\" G7 0");
    report(kNick[0], 199, "\"" + kLocalW + "\" \"/opt/app.bin\" 0 G7 0 6000000000 9000000000 1");
    EXPECT_EQ(agent(0).Uploads()[0].done, 6000000000u) << "sizes over 4 GiB";
    const auto progress = notices(1599);
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(progress[0].status, 1);
    EXPECT_EQ(progress[1].status, 2);
    EXPECT_EQ(progress[1].total, 9000000000u);
}

TEST_F(Transfers, DownloadGoesThroughAcceptedAtTheGatewayAndFinished)
{
    const QString local = QStringLiteral("/home/op/log.txt");
    const int number = startDownload(*control, kKey[0], local, QStringLiteral("/var/log/messages"));
    ASSERT_EQ(sent(201).size(), 1u);
    const std::string paths = "\"/home/op/log.txt\" \"/var/log/messages\"";
    report(kNick[0], 202, paths + " 5000000000");
    EXPECT_EQ(gw().Downloads()[0].stage, 1);
    EXPECT_EQ(gw().Downloads()[0].size, 5000000000u);
    EXPECT_EQ(agent(0).Downloads()[0].status, 0);
    EXPECT_EQ(agent(0).Downloads()[0].size, 5000000000u);
    ASSERT_EQ(notices(1599).size(), 1u);
    EXPECT_EQ(notices(1599)[0].status, 1);

    report(kNick[0], 199, paths + " 2 T1 1 5000000000 5000000000 1");
    ASSERT_EQ(notices(1595).size(), 1u);
    EXPECT_EQ(notices(1595)[0].status, 5);
    EXPECT_EQ(notices(1595)[0].number, number);
    EXPECT_EQ(gw().Downloads()[0].stage, 2);
    EXPECT_EQ(agent(0).Downloads()[0].status, 1);

    rec.clear();
    report(kNick[0], 199, paths + " 2 T1 1 5000000000 5000000000 0");
    EXPECT_EQ(gw().GetDownloadCount(), 0);
    EXPECT_EQ(agent(0).GetDownloadCount(), 0);
    ASSERT_EQ(notices(1597).size(), 1u);
    EXPECT_EQ(notices(1597)[0].status, 6);
    bool passed206 = false;
    for (const Recorded& r : rec.all(1635))
        if (const auto* n = std::get_if<_Notice>(&r.payload); n && n->code == 206) {
            passed206 = true;
            EXPECT_EQ(n->text, QString::fromStdString(paths));
        }
    EXPECT_TRUE(passed206);
}

TEST_F(Transfers, DownloadFailuresAtEachStage)
{
    const QString local = QStringLiteral("/home/op/a.txt");
    startDownload(*control, kKey[0], local, QStringLiteral("/missing"));
    report(kNick[0], 999, "201 \"/home/op/a.txt\" \"/missing\" 2 \"No such file.\"");
    ASSERT_EQ(notices(1598).size(), 1u);
    EXPECT_EQ(notices(1598)[0].status, 9);
    EXPECT_EQ(*std::get_if<QString>(&rec.last(1528)->payload), QStringLiteral("No such file."));
    EXPECT_EQ(gw().GetDownloadCount(), 0);
    EXPECT_EQ(agent(0).GetDownloadCount(), 0);

    for (const char* code : {"203", "204"}) {
        rec.clear();
        startDownload(*control, kKey[0], local, QStringLiteral("/var/x"));
        report(kNick[0], 202, "\"/home/op/a.txt\" \"/var/x\" 10");
        report(kNick[0], 999,
               std::string(code) + " \"/home/op/a.txt\" \"/var/x\" 2 \"Failed to create local file.\"");
        ASSERT_EQ(notices(1598).size(), 1u) << code;
        EXPECT_EQ(notices(1598)[0].status, 10);
        EXPECT_EQ(gw().GetDownloadCount(), 0);
        EXPECT_EQ(agent(0).GetDownloadCount(), 0);
    }
}

TEST_F(Transfers, AgentGoingOffLineReleasesItsShareOfTheGatewayCopy)
{
    uploadToAll();
    report(kNick[0], 196, delivered());
    report(kNick[1], 196, delivered());
    startDownload(*control, kKey[2], QStringLiteral("/home/op/d"), QStringLiteral("/var/d"));
    ASSERT_EQ(gw().GetDownloadCount(), 1);
    EXPECT_TRUE(sent(197).empty());
    report(kNick[2], 172, "");
    EXPECT_EQ(rec.count(1536), 1);
    EXPECT_EQ(gw().GetTransferCount(), 0) << "no entry left behind";
    const auto cleared = sent(197);
    ASSERT_EQ(cleared.size(), 1u) << "the copy nobody needs is cleared";
    EXPECT_EQ(cleared[0], "127.0.0.1 \"G7\"");
}

TEST_F(Transfers, AgentGoingOffLineBeforeTheFileArrivedLeavesTheArrivalToClearIt)
{
    startUpload(*control, kKey[0], ZRT_UPLOAD, kLocal, QStringLiteral("/opt/app.bin"), 10);
    report(kNick[0], 172, "");
    // On its way to the gateway: kept until it arrives, then cleared at once.
    ASSERT_EQ(gw().Uploads().size(), 1);
    EXPECT_EQ(gw().Uploads()[0].targets, 0);
    report(kNick[1], 192, "\"" + kLocalW + "\" \"/opt/app.bin\" G8 0");
    const auto cleared = sent(197);
    ASSERT_EQ(cleared.size(), 1u);
    EXPECT_EQ(cleared[0], "127.0.0.1 \"G8\"");
    EXPECT_TRUE(sent(195).empty());
    EXPECT_EQ(gw().GetTransferCount(), 0);
}

TEST_F(Transfers, MissingLocalFileFailsItsTransferWithTheFilesName)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("gone.bin"));
    startUpload(*control, kKey[0], ZRT_UPLOAD, missing, QStringLiteral("/opt/gone.bin"), 10);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1528) == 1; }));
    EXPECT_EQ(notices(1598).size(), 1u);
    EXPECT_EQ(notices(1598)[0].status, 9);
    EXPECT_EQ(*std::get_if<QString>(&rec.last(1528)->payload),
              missing + QStringLiteral(": File name (path) error."));
    EXPECT_EQ(gw().GetTransferCount(), 0);
    EXPECT_EQ(agent(0).GetUploadCount(), 0);
    EXPECT_TRUE(sent(191).empty());
}

TEST(TransferRecords, AgentPathsTakeTheAgentsSeparators)
{
    CZRAgent a(QStringLiteral("10.0.0.1:x"));
    a.SetDeviceInfo(QStringLiteral("TRN-XPE"), QString(), QString(), QString(), QString()); // type 2
    ASSERT_EQ(a.GetOSType(1), 2);
    EXPECT_EQ(a.AddTransfer(0, 1, QStringLiteral("/l"), QStringLiteral("/Windows/x.txt"), 1), 0);
    EXPECT_EQ(a.Uploads()[0].agentPath, QStringLiteral(":Windows\\x.txt"));
    // The same two paths in the same direction are refused; in the other direction they are not.
    EXPECT_EQ(a.AddTransfer(0, 2, QStringLiteral("/l"), QStringLiteral("\\Windows\\x.txt"), 1), -1);
    EXPECT_EQ(a.AddTransfer(2, 3, QStringLiteral("/l"), QStringLiteral("/Windows/x.txt"), 1), 0);

    CZRAgent b(QStringLiteral("10.0.0.2:y"));
    b.SetDeviceInfo(QStringLiteral("TRN-LX"), QString(), QString(), QStringLiteral("Linux"), QString());
    EXPECT_EQ(b.AddTransfer(0, 1, QStringLiteral("/l"), QStringLiteral("\\opt\\x"), 1), 0);
    EXPECT_EQ(b.Uploads()[0].agentPath, QStringLiteral("/opt/x"));
}

TEST(TransferRecords, MatchMasks)
{
    _TransferA entry;
    entry.number = 4;
    entry.type = ZRT_UPLOAD;
    entry.status = 1;
    entry.localPath = QStringLiteral("/l");
    entry.agentPath = QStringLiteral("/a");
    _TransferA key;
    key.mask = ZRTM_NUMBER;
    key.number = -1;
    EXPECT_TRUE(ZRMatchTransfer(entry, key)) << "-1 matches any number";
    key.number = 5;
    EXPECT_FALSE(ZRMatchTransfer(entry, key));
    key.mask = ZRTM_DIRECTION;
    key.type = ZRT_DOWNLOAD;
    EXPECT_FALSE(ZRMatchTransfer(entry, key));
    key.type = ZRT_FIRMWARE;
    EXPECT_TRUE(ZRMatchTransfer(entry, key)) << "firmware and uploads share a direction";
    // Both paths without the number: the status is compared too.
    key.mask = ZRTM_LOCALPATH | ZRTM_AGENTPATH;
    key.localPath = QStringLiteral("/l");
    key.agentPath = QStringLiteral("/a");
    key.status = 0;
    EXPECT_FALSE(ZRMatchTransfer(entry, key));
    key.status = 1;
    EXPECT_TRUE(ZRMatchTransfer(entry, key));
    // A firmware entry is never compared on its agent path.
    entry.type = ZRT_FIRMWARE;
    key.agentPath = QStringLiteral("elsewhere");
    EXPECT_TRUE(ZRMatchTransfer(entry, key));
    // The wildcard agent path matches on the local path alone.
    key.mask = ZRTM_NUMBER | ZRTM_DIRECTION;
    key.number = 99;
    key.type = ZRT_DOWNLOAD;
    key.agentPath = QStringLiteral(ZRT_ANYAGENTPATH);
    EXPECT_TRUE(ZRMatchTransfer(entry, key));
    key.localPath = QStringLiteral("/other");
    EXPECT_FALSE(ZRMatchTransfer(entry, key));
}

TEST(TransferRecords, RemovingAFirmwareEntryOpensTheAgent)
{
    CZRAgent a(QStringLiteral("10.0.0.1:x"));
    ASSERT_EQ(a.AddTransfer(1, 1, QStringLiteral("/fw"), QStringLiteral("firmware"), 1), 0);
    EXPECT_EQ(a.IsTransferFrm(), 1);
    EXPECT_EQ(a.RemoveTransfer(1, 0), 1);
    EXPECT_EQ(a.IsTransferFrm(), 0);
    EXPECT_EQ(a.IsUpgrading(), 0);
    EXPECT_EQ(a.RemoveTransfer(1, 0), -1);
    EXPECT_EQ(a.RemoveTransfers(0, -1, nullptr, nullptr), -1) << "nothing matched";
}
