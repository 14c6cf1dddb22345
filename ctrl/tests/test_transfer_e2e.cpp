// Whole file paths console -> gateway -> agents and back, against the stand-in gateway process.
#include "gateway_process.h"
#include "testutil.h"
#include "transfer_flows.h"
#include "zrcontrol.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using tarntest::startDownload;
using tarntest::startUpload;

namespace {

const QString kGw = QStringLiteral("plant");
const QString kAddr[3] = {QStringLiteral("10.4.0.1"), QStringLiteral("10.4.0.2"), QStringLiteral("10.4.0.3")};
const QString kKey[3] = {QStringLiteral("plant|10.4.0.1"), QStringLiteral("plant|10.4.0.2"),
                         QStringLiteral("plant|10.4.0.3")};

QByteArray content(qsizetype size, char seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = quint32(seed);
    for (qsizetype i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        data[i] = char(x >> 24);
    }
    return data;
}

QByteArray sha(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing: " + path.toUtf8() + ">";
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result().toHex();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(data), data.size());
}

class TransferEndToEnd : public WithApp, public ::testing::Test
{
protected:
    void start(std::vector<std::string> extra = {})
    {
        ASSERT_TRUE(dir.isValid());
        const QString fleet = dir.filePath(QStringLiteral("fleet.txt"));
        QFile f(fleet);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("10.4.0.1 lx-01 model=TRN-200-LX\n"
                "10.4.0.2 lx-02 model=TRN-610-LX\n"
                "10.4.0.3 lx-03 model=TRN-200-LX\n");
        f.close();
        std::vector<std::string> args = {
            "--fleet",   fleet.toStdString(), "--root", root().toStdString(), "--agent-rate",
            "268435456", "--reboot-delay",    "300",    "--upgrade-delay",    "200"};
        args.insert(args.end(), extra.begin(), extra.end());
        gateway = std::make_unique<tarntest::GatewayProcess>(args);
        ASSERT_TRUE(gateway->ok());
        control = std::make_unique<CZRControl>();
        control->SetMainHWND(&rec);
        control->AddGateway(kGw, QStringLiteral("127.0.0.1"), QString::number(gateway->port()));
        ASSERT_EQ(control->Connect2Gateway(kGw), 1);
        ASSERT_TRUE(waitUntil([&] { return rec.count(1535) == 3; }, 10000)) << gateway->stderrText();
        // Device information tells the console which separators the agents use.
        for (const QString& key : kKey)
            control->SendRequest(1, QString(), key);
        ASSERT_TRUE(waitUntil([&] { return rec.count(1537) == 3; }));
    }
    void TearDown() override
    {
        control.reset();
        gateway.reset();
    }
    QString root() const { return dir.filePath(QStringLiteral("root")); }
    QString onAgent(int i, const QString& path) const { return root() + QLatin1Char('/') + kAddr[i] + path; }
    CZRGateway& gw() { return control->GetGateway(kGw); }
    std::vector<_TransferNotice> notices(int id) const
    {
        std::vector<_TransferNotice> out;
        for (const Recorded& r : rec.all(id))
            if (const auto* n = std::get_if<_TransferNotice>(&r.payload)) out.push_back(*n);
        return out;
    }
    QStringList gatewayCopies() const
    {
        return QDir(root() + QStringLiteral("/.gateway")).entryList(QDir::Files | QDir::NoDotAndDotDot);
    }
    // No transfer entry anywhere: the records are consistent once a transfer has ended.
    bool noEntries()
    {
        if (gw().GetTransferCount() != 0) return false;
        for (const QString& key : kKey)
            if (control->GetAgent(key).GetTransferCount(-1) != 0) return false;
        return true;
    }

    QTemporaryDir dir;
    QTemporaryDir local;
    Recorder rec;
    std::unique_ptr<tarntest::GatewayProcess> gateway;
    std::unique_ptr<CZRControl> control;
};

} // namespace

TEST_F(TransferEndToEnd, UploadOfFiveMegabytesToThreeAgents)
{
    start();
    const QString file = local.filePath(QStringLiteral("image.bin"));
    writeFile(file, content(5 << 20, 1));
    for (const QString& key : kKey)
        ASSERT_GE(startUpload(*control, key, ZRT_UPLOAD, file, QStringLiteral("/opt/app/image.bin"), 5 << 20),
                  0);
    ASSERT_EQ(gw().Uploads().size(), 1);
    ASSERT_TRUE(waitUntil([&] { return notices(1597).size() == 3; }, 60000)) << gateway->stderrText();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sha(onAgent(i, QStringLiteral("/opt/app/image.bin"))), sha(file)) << "agent " << i;
    EXPECT_EQ(notices(1595).size(), 3u);
    EXPECT_FALSE(notices(1599).empty()) << "progress on the way to the agents";
    ASSERT_TRUE(waitUntil([&] { return rec.count(1596) == 1 && gatewayCopies().isEmpty(); }))
        << "the gateway's copy is cleared after the last delivery";
    EXPECT_TRUE(noEntries());
    EXPECT_TRUE(notices(1598).empty());
}

TEST_F(TransferEndToEnd, FirmwareCycle)
{
    start();
    const QString image = local.filePath(QStringLiteral("fw.img"));
    writeFile(image, "VERSION=9.9.1\n" + content(200000, 2));
    ASSERT_GE(startUpload(*control, kKey[1], ZRT_FIRMWARE, image, QStringLiteral("firmware"), 200014), 0);
    ASSERT_TRUE(waitUntil([&] { return notices(1597).size() == 1; }, 30000)) << gateway->stderrText();
    EXPECT_EQ(control->GetAgent(kKey[1]).IsUpgrading(), 1);
    EXPECT_EQ(control->SendRequest(4, QString(), kKey[1]), 0) << "only the polls go to an upgrading agent";
    EXPECT_EQ(control->SendRequest(2, QString(), kKey[1]), 1);
    // It reboots into the new firmware and comes back as a fresh record.
    ASSERT_TRUE(waitUntil([&] { return rec.count(1536) == 1; }, 10000));
    ASSERT_TRUE(waitUntil([&] { return rec.count(1535) == 4; }, 10000));
    EXPECT_EQ(control->GetAgent(kKey[1]).IsUpgrading(), 0);
    const int before = rec.count(1537);
    ASSERT_EQ(control->SendRequest(1, QString(), kKey[1]), 1);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1537) > before; }));
    QString model, host, cpu, os, firmware;
    control->GetAgent(kKey[1]).GetDeviceInfo(model, host, cpu, os, firmware);
    EXPECT_EQ(firmware, QStringLiteral("9.9.1"));
    EXPECT_TRUE(waitUntil([&] { return gatewayCopies().isEmpty(); }));
    EXPECT_TRUE(noEntries());
}

TEST_F(TransferEndToEnd, DownloadOfFiveMegabytesIsByteIdentical)
{
    start();
    const QByteArray data = content(5 << 20, 3);
    writeFile(onAgent(0, QStringLiteral("/var/log/big.log")), data);
    const QString target = local.filePath(QStringLiteral("big.log"));
    writeFile(target, "an older copy");
    ASSERT_GE(startDownload(*control, kKey[0], target, QStringLiteral("/var/log/big.log")), 0);
    ASSERT_TRUE(waitUntil([&] { return notices(1597).size() == 1; }, 60000)) << gateway->stderrText();
    EXPECT_EQ(sha(target), sha(onAgent(0, QStringLiteral("/var/log/big.log"))));
    EXPECT_EQ(notices(1595).size(), 1u);
    ASSERT_FALSE(notices(1599).empty());
    EXPECT_EQ(notices(1599).front().status, 1) << "accepted, with the size";
    EXPECT_EQ(notices(1599).front().size, quint64(data.size()));
    bool passed206 = false;
    for (const Recorded& r : rec.all(1635))
        if (const auto* n = std::get_if<_Notice>(&r.payload)) passed206 |= n->code == 206;
    EXPECT_TRUE(passed206);
    EXPECT_TRUE(noEntries());
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary file left";
}

TEST_F(TransferEndToEnd, DownloadOfAMissingFileIsReported)
{
    start();
    const QString target = local.filePath(QStringLiteral("nothing.txt"));
    ASSERT_GE(startDownload(*control, kKey[2], target, QStringLiteral("/var/log/none.log")), 0);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1528) == 1; }));
    ASSERT_EQ(notices(1598).size(), 1u);
    EXPECT_EQ(notices(1598)[0].status, 9);
    EXPECT_EQ(notices(1598)[0].localPath, target);
    const QString* text = std::get_if<QString>(&rec.last(1528)->payload);
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(text->isEmpty());
    EXPECT_EQ(rec.last(1528)->key, control->GetAgent(kKey[2]).GetNick());
    EXPECT_TRUE(noEntries());
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(TransferEndToEnd, AgentRebootedMidUploadLeavesNothingBehind)
{
    start({"--agent-rate", "1048576"});
    const QString file = local.filePath(QStringLiteral("slow.bin"));
    writeFile(file, content(3 << 20, 4));
    startUpload(*control, kKey[0], ZRT_UPLOAD, file, QStringLiteral("/opt/slow.bin"), 3 << 20);
    startUpload(*control, kKey[1], ZRT_UPLOAD, file, QStringLiteral("/opt/slow.bin"), 3 << 20);
    // Once the file is on its way to the agents, one of them reboots.
    ASSERT_TRUE(waitUntil([&] { return notices(1595).size() == 2; }, 30000)) << gateway->stderrText();
    ASSERT_EQ(control->SendRequest(20, QString(), kKey[0]), 1);
    ASSERT_TRUE(waitUntil([&] { return rec.count(1536) == 1; }, 10000));
    EXPECT_EQ(gw().Uploads().size(), 1);
    EXPECT_EQ(gw().Uploads()[0].targets, 1) << "the other agent still needs the copy";
    // The other agent's delivery goes on and then clears the gateway's copy.
    ASSERT_TRUE(waitUntil([&] { return notices(1597).size() >= 1 && gw().GetTransferCount() == 0; }, 30000))
        << gateway->stderrText();
    EXPECT_EQ(sha(onAgent(1, QStringLiteral("/opt/slow.bin"))), sha(file));
    EXPECT_TRUE(waitUntil([&] { return gatewayCopies().isEmpty(); }));
    EXPECT_TRUE(noEntries());
}

// The gateway drops the connection in the middle of each kind of transfer.
class DroppedMidTransfer : public TransferEndToEnd
{
protected:
    void expectCleanEnd()
    {
        ASSERT_TRUE(waitUntil([&] { return rec.count(1525) == 1; }, 20000)) << gateway->stderrText();
        EXPECT_EQ(control->IsOnlineGateway(kGw), 0);
        EXPECT_EQ(gw().GetTransferCount(), 0);
        EXPECT_EQ(gw().GetAgentCount(), 0);
    }
};

TEST_F(DroppedMidTransfer, Upload)
{
    start({"--disconnect-after", "300"});
    const QString file = local.filePath(QStringLiteral("up.bin"));
    writeFile(file, content(5 << 20, 5));
    startUpload(*control, kKey[0], ZRT_UPLOAD, file, QStringLiteral("/opt/up.bin"), 5 << 20);
    expectCleanEnd();
    EXPECT_FALSE(QFile::exists(onAgent(0, QStringLiteral("/opt/up.bin"))));
}

TEST_F(DroppedMidTransfer, Firmware)
{
    start({"--disconnect-after", "200"});
    const QString image = local.filePath(QStringLiteral("fw.img"));
    writeFile(image, content(2 << 20, 6));
    startUpload(*control, kKey[1], ZRT_FIRMWARE, image, QStringLiteral("firmware"), 2 << 20);
    expectCleanEnd();
}

TEST_F(DroppedMidTransfer, DownloadKeepsTheOperatorsFile)
{
    start({"--disconnect-after", "400"});
    writeFile(onAgent(2, QStringLiteral("/var/big.bin")), content(5 << 20, 7));
    const QString target = local.filePath(QStringLiteral("big.bin"));
    writeFile(target, "the operator's own file");
    startDownload(*control, kKey[2], target, QStringLiteral("/var/big.bin"));
    expectCleanEnd();
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("the operator's own file"));
    // The partial download goes with the connection, once its worker has ended.
    EXPECT_TRUE(waitUntil([&] { return control->GetThreadCount() == 0; }, 10000));
    EXPECT_TRUE(waitUntil([&] {
        return QDir(local.path()).entryList(QDir::Files | QDir::Hidden).size() == 1;
    })) << QDir(local.path()).entryList(QDir::Files | QDir::Hidden).join(QLatin1Char(' ')).toStdString();
}
