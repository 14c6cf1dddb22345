// Transfers through the console against tarn-gateway, started the way the upload, upgrade and file
// manager windows start them: the transfer window's rows, the queues per gateway, failures of
// either leg, a gateway lost mid-transfer, and every refusal leaving nothing behind.
#include "consoletest.h"
#include "gateway_process.h"
#include "resource.h"

#include <zrfmtypes.h>
#include <zrtransfergrid.h>
#include <zrtransferwnd.h>

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QRandomGenerator>

#include <algorithm>

namespace {
const QString kNorth = QStringLiteral("North");
const QString kSouth = QStringLiteral("South");
const QString kA = QStringLiteral("10.5.0.1");
const QString kB = QStringLiteral("10.5.0.2");
const QString kC = QStringLiteral("10.5.0.3");
const QString kXpe = QStringLiteral("10.5.0.9");
const QByteArray kFleet = "10.5.0.1 lx-01 model=TRN-200-LX firmware=1.0.0\n"
                          "10.5.0.2 lx-02 model=TRN-200-LX firmware=1.0.0\n"
                          "10.5.0.3 lx-03 model=TRN-610-LX\n"
                          "10.5.0.9 xpe-09 model=TRN-310-XPE\n";

enum : int { kWaiting = 1, kToGateway = 2, kMoving = 3, kMovingFirmware = 4, kFinished = 5, kFailed = 6 };

QByteArray randomBytes(int bytes)
{
    QByteArray body(bytes, Qt::Uninitialized);
    for (char& ch : body)
        ch = char(QRandomGenerator::global()->bounded(256));
    return body;
}

struct TransferConsole : ConsoleFixture
{
    ~TransferConsole() override
    {
        frame.reset();
        gateways.clear();
    }
    QString name(int g) const { return g == 0 ? kNorth : kSouth; }
    QString root(int g) const { return dir.filePath(QStringLiteral("root%1").arg(g)); }
    QString key(int g, const QString& agent) const { return name(g) + u'|' + agent; }
    // One gateway per list of extra options, all with the same four agents; the console connects
    // them all.
    void startGateways(const std::vector<std::vector<std::string>>& extras)
    {
        const QString fleet = dir.filePath(QStringLiteral("fleet.txt"));
        QFile f(fleet);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kFleet);
        f.close();
        QByteArray profile = "[Gateway]\nCount=" + QByteArray::number(qsizetype(extras.size())) + "\n";
        for (size_t g = 0; g < extras.size(); ++g) {
            QDir().mkpath(root(int(g)));
            std::vector<std::string> args = {"--fleet", fleet.toStdString(), "--root",
                                             root(int(g)).toStdString(), "--verbose"};
            args.insert(args.end(), extras[g].begin(), extras[g].end());
            gateways.push_back(std::make_unique<tarntest::GatewayProcess>(args));
            ASSERT_TRUE(gateways.back()->ok());
            const QByteArray n = QByteArray::number(qsizetype(g + 1));
            profile += "Name" + n + "=" + name(int(g)).toUtf8() + "\nIP" + n + "=127.0.0.1\nPort" + n + "=" +
                       QByteArray::number(gateways.back()->port()) + "\n";
        }
        start(profile);
        for (size_t g = 0; g < extras.size(); ++g) {
            ASSERT_TRUE(doc()->ConnectGateway(name(int(g))));
            QTreeWidgetItem* node = tree()->FindGateway(name(int(g)));
            ASSERT_TRUE(waitUntil(
                [&] { return node->childCount() == 4 && !(CZRAgentTree::Param(node) & NODE_BUSY); }, 20000));
            ASSERT_TRUE(agentsDescribed(name(int(g))));
        }
    }
    QString localPath(const QString& file) const { return local.filePath(file); }
    QByteArray makeLocal(const QString& file, const QByteArray& body)
    {
        QFile f(localPath(file));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body);
        return body;
    }
    QByteArray readFile(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QString onAgent(int g, const QString& agent, const QString& path) const
    {
        return root(g) + u'/' + agent + path;
    }
    // As the upload and upgrade windows call it: once per file and agent.
    int upload(int g, const QString& agent, int kind, const QString& file, const QString& remote)
    {
        _TransferRequest r;
        r.kind = kind;
        r.size = quint64(QFileInfo(localPath(file)).size());
        r.localPath = localPath(file);
        r.remotePath = remote;
        return CTarnDoc::UploadCB(r, 21, doc(), key(g, agent));
    }
    int download(int g, const QString& agent, const QString& file, const QString& remote)
    {
        _TransferRequest r;
        r.kind = 2;
        r.localPath = localPath(file);
        r.remotePath = remote;
        return CTarnDoc::DownloadCB(r, 24, doc(), key(g, agent));
    }
    CZRTransferGrid* list(int kind) const
    {
        return frame->InfoView()->TransferWnd()->GetListWnd(kind)->GetGrid();
    }
    long rowOf(int kind, int g, const QString& agent, const QString& file) const
    {
        CZRTransferGrid* grid = list(kind);
        for (long row = 0; row < grid->GetNumberRows(); ++row)
            if (grid->GetDevice(row) == key(g, agent) &&
                grid->QuickGetText(CZRTransferGrid::kColLocal, row) == localPath(file))
                return row;
        return -1;
    }
    int statusOf(int kind, int g, const QString& agent, const QString& file) const
    {
        const long row = rowOf(kind, g, agent, file);
        return row < 0 ? 0 : list(kind)->GetRowStatus(row);
    }
    bool allRows(int kind, int status) const
    {
        CZRTransferGrid* grid = list(kind);
        for (long row = 0; row < grid->GetNumberRows(); ++row)
            if (grid->GetRowStatus(row) != status) return false;
        return true;
    }
    // Uploads the gateway was asked for (request 191 on the wire).
    int uploadsAsked(int g, const QString& file = QString()) const
    {
        std::istringstream log(gateways[size_t(g)]->stderrText());
        int n = 0;
        for (std::string line; std::getline(log, line);)
            if (line.find(" in  191 ") != std::string::npos &&
                (file.isEmpty() || line.find(file.toStdString()) != std::string::npos))
                ++n;
        return n;
    }
    std::string uploadLine(int g, const QString& file) const
    {
        std::istringstream log(gateways[size_t(g)]->stderrText());
        for (std::string line; std::getline(log, line);)
            if (line.find(" in  191 ") != std::string::npos &&
                line.find(file.toStdString()) != std::string::npos)
                return line;
        return {};
    }
    int imageOf(int g, const QString& agent) const
    {
        QTreeWidgetItem* node = tree()->FindAgent(name(g), agent);
        return node ? tree()->StateImage(node) : -1;
    }
    CZRGateway& gw(int g) const { return control()->GetGateway(name(g)); }
    // What a refusal must leave unchanged: rows, and the records of every agent and gateway.
    std::vector<int> footprint() const
    {
        std::vector<int> f = {int(list(0)->GetNumberRows()), int(list(2)->GetNumberRows())};
        for (int g = 0; g < int(gateways.size()); ++g) {
            f.push_back(gw(g).GetTransferCount());
            for (const QString& agent : {kA, kB, kC, kXpe}) {
                const CZRAgent& a = control()->GetAgent(key(g, agent));
                f.push_back(a.GetTransferCount(-1));
                f.push_back(a.IsTransferFrm());
            }
        }
        return f;
    }

    QTemporaryDir local;
    std::vector<std::unique_ptr<tarntest::GatewayProcess>> gateways;
};

TEST_F(TransferConsole, TwoFilesToThreeAgentsOneFileAtATimeToTheGateway)
{
    startGateways({{}});
    // The window from an agent: its gateway is selected with it.
    tree()->setCurrentItem(tree()->FindAgent(kNorth, kB));
    frame->UpdateCommandUI();
    ASSERT_TRUE(frame->Action(ID_TRANSFER_LIST)->isEnabled());
    frame->Action(ID_TRANSFER_LIST)->trigger();
    EXPECT_EQ(frame->InfoView()->CurrentPage(), PAGE_TRANSFER);
    EXPECT_EQ(tree()->currentItem(), tree()->FindGateway(kNorth));

    const QString alpha = QStringLiteral("alpha.bin"), beta = QStringLiteral("beta.bin");
    const QByteArray alphaBody = makeLocal(alpha, randomBytes(180 * 1024 + 7));
    const QByteArray betaBody = makeLocal(beta, randomBytes(70 * 1024 + 3));
    for (const QString& file : {alpha, beta})
        for (const QString& agent : {kA, kB, kC})
            ASSERT_EQ(upload(0, agent, 0, file, QStringLiteral("/tmp/up/") + file), 1);
    ASSERT_EQ(list(0)->GetNumberRows(), 6);
    // A third file waits too: each file reaching the gateway lets exactly one more go.
    const QString delta = QStringLiteral("delta.bin");
    const QByteArray deltaBody = makeLocal(delta, randomBytes(20 * 1024));
    ASSERT_EQ(upload(0, kA, 0, delta, QStringLiteral("/tmp/up/delta.bin")), 1);
    ASSERT_EQ(upload(0, kC, 0, delta, QStringLiteral("/tmp/up/delta.bin")), 1);
    EXPECT_EQ(statusOf(0, 0, kC, delta), kWaiting);
    // The first file goes out for all three; the second waits for the gateway.
    for (const QString& agent : {kA, kB, kC}) {
        EXPECT_EQ(statusOf(0, 0, agent, alpha), kToGateway);
        EXPECT_EQ(statusOf(0, 0, agent, beta), kWaiting);
        EXPECT_EQ(imageOf(0, agent), IMG_AGENT_TRANSFER);
    }
    // The agent path is the one the core records, so every report finds its row.
    EXPECT_EQ(list(0)->QuickGetText(CZRTransferGrid::kColRemote, rowOf(0, 0, kB, beta)),
              QStringLiteral("/tmp/up/beta.bin"));

    int mostAtOnce = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            mostAtOnce = std::max(mostAtOnce, gw(0).GetUploadCount(1));
            return allRows(0, kFinished) && gw(0).GetTransferCount() == 0;
        },
        60000))
        << gateways[0]->stderrText();
    EXPECT_EQ(mostAtOnce, 1);
    // Each file went to the gateway once, however many agents were waiting for it.
    EXPECT_EQ(uploadsAsked(0, alpha), 1);
    EXPECT_EQ(uploadsAsked(0, beta), 1);
    EXPECT_EQ(uploadsAsked(0, delta), 1);
    EXPECT_EQ(readFile(onAgent(0, kA, QStringLiteral("/tmp/up/delta.bin"))), deltaBody);
    EXPECT_EQ(readFile(onAgent(0, kC, QStringLiteral("/tmp/up/delta.bin"))), deltaBody);
    for (const QString& agent : {kA, kB, kC}) {
        EXPECT_EQ(readFile(onAgent(0, agent, QStringLiteral("/tmp/up/alpha.bin"))), alphaBody);
        EXPECT_EQ(readFile(onAgent(0, agent, QStringLiteral("/tmp/up/beta.bin"))), betaBody);
        EXPECT_EQ(imageOf(0, agent), IMG_AGENT);
        for (const QString& file : {alpha, beta})
            EXPECT_EQ(list(0)->GetProgress(rowOf(0, 0, agent, file)), 100);
    }

    // A file handed in to start at once goes out as a file (flag 0), never as firmware.
    const QByteArray gammaBody = makeLocal(QStringLiteral("gamma.bin"), randomBytes(5000));
    ASSERT_EQ(upload(0, kC, 9, QStringLiteral("gamma.bin"), QStringLiteral("/tmp/up/gamma.bin")), 1);
    EXPECT_EQ(statusOf(0, 0, kC, QStringLiteral("gamma.bin")), kToGateway);
    ASSERT_TRUE(
        waitUntil([&] { return statusOf(0, 0, kC, QStringLiteral("gamma.bin")) == kFinished; }, 20000));
    const std::string line = uploadLine(0, QStringLiteral("gamma.bin"));
    EXPECT_NE(line.find("\"/tmp/up/gamma.bin\" 0"), std::string::npos) << line;
    EXPECT_EQ(readFile(onAgent(0, kC, QStringLiteral("/tmp/up/gamma.bin"))), gammaBody);
    EXPECT_EQ(control()->GetAgent(key(0, kC)).IsUpgrading(), 0);
    EXPECT_EQ(boxes.size(), 0u) << boxes.front().text.toStdString();
}

TEST_F(TransferConsole, FirmwareUpgradeOfTwoAgentsBringsThemBackFresh)
{
    startGateways({{"--upgrade-delay", "1500", "--reboot-delay", "800"}});
    const QString image = QStringLiteral("fw-2.5.0.img");
    makeLocal(image, "TRN firmware\nVERSION=2.5.0\n" + randomBytes(40 * 1024));
    ASSERT_EQ(upload(0, kA, 1, image, image), 1);
    ASSERT_EQ(upload(0, kB, 1, image, image), 1);
    EXPECT_EQ(statusOf(0, 0, kA, image), kToGateway);
    EXPECT_EQ(statusOf(0, 0, kB, image), kToGateway);

    ASSERT_TRUE(waitUntil([&] { return allRows(0, kFinished) && list(0)->GetNumberRows() == 2; }, 30000))
        << gateways[0]->stderrText();
    // Delivered: the agents flash, and their nodes say so until they restart.
    EXPECT_EQ(imageOf(0, kA), IMG_AGENT_UPGRADE);
    EXPECT_EQ(imageOf(0, kB), IMG_AGENT_UPGRADE);
    EXPECT_EQ(uploadsAsked(0, image), 1);
    EXPECT_NE(uploadLine(0, image).find("firmware 1"), std::string::npos) << uploadLine(0, image);

    // They go away and come back as fresh records with the new version.
    auto firmwareOf = [&](const QString& agent) {
        QString model, host, cpu, os, firmware;
        control()->GetAgent(key(0, agent)).GetDeviceInfo(model, host, cpu, os, firmware);
        return firmware;
    };
    ASSERT_TRUE(waitUntil([&] { return firmwareOf(kA) == u"2.5.0" && firmwareOf(kB) == u"2.5.0"; }, 30000))
        << gateways[0]->stderrText();
    for (const QString& agent : {kA, kB}) {
        const CZRAgent& a = control()->GetAgent(key(0, agent));
        EXPECT_EQ(a.IsUpgrading(), 0);
        EXPECT_EQ(a.IsTransferFrm(), 0);
        EXPECT_EQ(a.GetTransferCount(-1), 0);
        EXPECT_EQ(imageOf(0, agent), IMG_AGENT);
    }
    // The finished rows stay finished when their agents restart.
    EXPECT_TRUE(allRows(0, kFinished));
}

TEST_F(TransferConsole, DownloadsOfTwoAgentsOfOneGatewayQueue)
{
    startGateways({{}});
    const QByteArray first = randomBytes(300 * 1024 + 11);
    const QByteArray second = randomBytes(90 * 1024 + 5);
    for (auto [agent, body] : {std::pair{kA, first}, std::pair{kB, second}}) {
        QDir().mkpath(onAgent(0, agent, QStringLiteral("/tmp")));
        QFile f(onAgent(0, agent, QStringLiteral("/tmp/d.bin")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body);
    }
    // The first asks for a file the agent does not have: its failure lets the others go.
    ASSERT_EQ(download(0, kA, QStringLiteral("none.bin"), QStringLiteral("/tmp/none.bin")), 1);
    ASSERT_EQ(download(0, kA, QStringLiteral("one.bin"), QStringLiteral("/tmp/d.bin")), 1);
    ASSERT_EQ(download(0, kB, QStringLiteral("two.bin"), QStringLiteral("/tmp/d.bin")), 1);
    EXPECT_EQ(statusOf(2, 0, kA, QStringLiteral("none.bin")), kToGateway);
    EXPECT_EQ(statusOf(2, 0, kA, QStringLiteral("one.bin")), kWaiting);
    EXPECT_EQ(statusOf(2, 0, kB, QStringLiteral("two.bin")), kWaiting);
    ASSERT_TRUE(waitUntil([&] { return statusOf(2, 0, kA, QStringLiteral("none.bin")) == kFailed; }, 30000));
    EXPECT_FALSE(QFile::exists(localPath(QStringLiteral("none.bin"))));
    EXPECT_EQ(imageOf(0, kB), IMG_AGENT_TRANSFER);
    // The second waits while the first runs.
    ASSERT_TRUE(waitUntil([&] { return statusOf(2, 0, kA, QStringLiteral("one.bin")) == kFinished; }, 30000));
    ASSERT_TRUE(waitUntil(
        [&] {
            return statusOf(2, 0, kA, QStringLiteral("one.bin")) == kFinished &&
                   statusOf(2, 0, kB, QStringLiteral("two.bin")) == kFinished;
        },
        30000))
        << gateways[0]->stderrText();
    EXPECT_EQ(readFile(localPath(QStringLiteral("one.bin"))), first);
    EXPECT_EQ(readFile(localPath(QStringLiteral("two.bin"))), second);
    EXPECT_EQ(list(2)->GetProgress(rowOf(2, 0, kB, QStringLiteral("two.bin"))), 100);
    EXPECT_EQ(list(2)->GetRecord(rowOf(2, 0, kA, QStringLiteral("one.bin"))).total, quint64(first.size()));
    EXPECT_EQ(gw(0).GetDownloadCount(), 0);
    EXPECT_EQ(imageOf(0, kA), IMG_AGENT);
    EXPECT_EQ(imageOf(0, kB), IMG_AGENT);
    EXPECT_TRUE(list(0)->GetNumberRows() == 0);
}

TEST_F(TransferConsole, ALostGatewayFailsOnlyItsRowsAndDamagesNoFile)
{
    startGateways({{"--file-fault", "huge-file", "--agent-rate", "100000"}, {"--agent-rate", "150000"}});
    // The operator's files: one on an agent behind the gateway that goes, one on the console.
    const QByteArray kept = "the operator's own file\n";
    QDir().mkpath(onAgent(0, kA, QStringLiteral("/tmp")));
    {
        QFile f(onAgent(0, kA, QStringLiteral("/tmp/keep.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kept);
    }
    makeLocal(QStringLiteral("huge.img"), kept);
    const QString big = QStringLiteral("big.bin");
    const QByteArray bigBody = makeLocal(big, randomBytes(600 * 1024));

    ASSERT_EQ(upload(0, kA, 0, big, QStringLiteral("/tmp/keep.txt")), 1);
    ASSERT_EQ(upload(1, kA, 0, big, QStringLiteral("/tmp/keep.txt")), 1);
    ASSERT_EQ(upload(1, kB, 0, big, QStringLiteral("/tmp/keep.txt")), 1);
    // A file of more than 4 GiB coming down from the first gateway, over the operator's file.
    ASSERT_EQ(download(0, kB, QStringLiteral("huge.img"), QStringLiteral("/tmp/huge.img")), 1);

    CZRTransferGrid* ups = list(0);
    CZRTransferGrid* downs = list(2);
    ASSERT_TRUE(waitUntil(
        [&] {
            const long up = rowOf(0, 0, kA, big), down = rowOf(2, 0, kB, QStringLiteral("huge.img"));
            return ups->GetRowStatus(up) == kMoving && ups->GetRecord(up).transferred > 0 &&
                   downs->GetRecord(down).transferred > 0;
        },
        30000))
        << gateways[0]->stderrText();
    const ZRTransferRecord huge = downs->GetRecord(rowOf(2, 0, kB, QStringLiteral("huge.img")));
    EXPECT_EQ(huge.total, 5000000000ull);
    EXPECT_LT(downs->GetProgress(rowOf(2, 0, kB, QStringLiteral("huge.img"))), 100);

    gateways[0]->stop();
    ASSERT_TRUE(waitUntil([&] { return !gw(0).IsConnect() && statusOf(0, 0, kA, big) == kFailed; }, 15000));
    EXPECT_EQ(statusOf(2, 0, kB, QStringLiteral("huge.img")), kFailed);
    // The other gateway's rows go on to the end, through the operator sorting the list and
    // clearing what is over.
    EXPECT_NE(statusOf(0, 1, kA, big), kFailed);
    EXPECT_NE(statusOf(0, 1, kB, big), kFailed);
    ups->OnTH_LClicked(CZRTransferGrid::kColDevice, -1, 1, nullptr, nullptr, 0);
    ups->OnTH_LClicked(CZRTransferGrid::kColDevice, -1, 1, nullptr, nullptr, 0);
    frame->InfoView()->TransferWnd()->GetListWnd(0)->GetClearButton()->click();
    EXPECT_EQ(rowOf(0, 0, kA, big), -1);
    ASSERT_EQ(ups->GetNumberRows(), 2);
    ASSERT_TRUE(waitUntil(
        [&] { return statusOf(0, 1, kA, big) == kFinished && statusOf(0, 1, kB, big) == kFinished; }, 30000))
        << gateways[1]->stderrText();
    EXPECT_EQ(readFile(onAgent(1, kA, QStringLiteral("/tmp/keep.txt"))), bigBody);
    EXPECT_EQ(readFile(onAgent(1, kB, QStringLiteral("/tmp/keep.txt"))), bigBody);
    EXPECT_EQ(imageOf(1, kA), IMG_AGENT);

    // Nothing half-written in place of the operator's files, and no pieces left beside them.
    EXPECT_EQ(readFile(onAgent(0, kA, QStringLiteral("/tmp/keep.txt"))), kept);
    EXPECT_EQ(readFile(localPath(QStringLiteral("huge.img"))), kept);
    ASSERT_TRUE(waitUntil([&] {
        return QDir(local.path()).entryList(QDir::Files | QDir::Hidden).size() == 2; // big.bin, huge.img
    })) << QDir(local.path()).entryList(QDir::Files | QDir::Hidden).join(u' ').toStdString();
    // The lost gateway's transfers left no record behind.
    EXPECT_EQ(gw(0).GetTransferCount(), 0);
}

TEST_F(TransferConsole, AFailedGatewayLegFailsEveryWaitingAgentAndTheQueueGoesOn)
{
    // Files above 100,000 bytes are refused by the gateway part way through the first leg.
    startGateways({{"--max-upload", "100000"}});
    const QString tooBig = QStringLiteral("toobig.bin"), firmware = QStringLiteral("fw.img"),
                  small = QStringLiteral("small.bin");
    makeLocal(tooBig, randomBytes(150 * 1024));
    makeLocal(firmware, "VERSION=9.9.9\n" + randomBytes(150 * 1024));
    const QByteArray smallBody = makeLocal(small, randomBytes(10 * 1024));
    for (const QString& agent : {kA, kB, kC})
        ASSERT_EQ(upload(0, agent, 0, tooBig, QStringLiteral("/tmp/") + tooBig), 1);
    ASSERT_EQ(upload(0, kXpe, 0, tooBig, QStringLiteral("C:\\Temp\\") + tooBig), 1);
    ASSERT_EQ(upload(0, kA, 1, firmware, firmware), 1);
    ASSERT_EQ(upload(0, kB, 0, small, QStringLiteral("/tmp/small.bin")), 1);
    ASSERT_EQ(upload(0, kC, 0, small, QStringLiteral("/tmp/small.bin")), 1);
    EXPECT_EQ(statusOf(0, 0, kA, firmware), kWaiting);
    EXPECT_EQ(statusOf(0, 0, kB, small), kWaiting);

    ASSERT_TRUE(waitUntil(
        [&] { return gw(0).GetTransferCount() == 0 && statusOf(0, 0, kC, small) == kFinished; }, 30000))
        << gateways[0]->stderrText();
    // Every agent's row of a file that never reached the gateway failed, the firmware row too.
    for (const QString& agent : {kA, kB, kC, kXpe})
        EXPECT_EQ(statusOf(0, 0, agent, tooBig), kFailed);
    EXPECT_EQ(statusOf(0, 0, kA, firmware), kFailed);
    // Both queued uploads still started; the one that fitted arrived.
    EXPECT_EQ(uploadsAsked(0, firmware), 1);
    EXPECT_EQ(uploadsAsked(0, small), 1);
    EXPECT_EQ(statusOf(0, 0, kB, small), kFinished);
    EXPECT_EQ(readFile(onAgent(0, kC, QStringLiteral("/tmp/small.bin"))), smallBody);
    EXPECT_FALSE(QFile::exists(onAgent(0, kA, QStringLiteral("/tmp/toobig.bin"))));
    // The failed firmware leaves agent A as it was: not upgrading, open for the next image.
    const CZRAgent& a = control()->GetAgent(key(0, kA));
    EXPECT_EQ(a.IsUpgrading(), 0);
    EXPECT_EQ(a.IsTransferFrm(), 0);
    // The agent that waited for nothing else shows no transfer any more either.
    for (const QString& agent : {kA, kB, kC, kXpe}) {
        EXPECT_EQ(control()->GetAgent(key(0, agent)).GetTransferCount(-1), 0);
        EXPECT_EQ(imageOf(0, agent), IMG_AGENT);
    }
}

TEST_F(TransferConsole, AQueuedUploadStartsWhenTheLegBeforeItEndsWithoutAReport)
{
    startGateways({{"--reboot-delay", "60000"}});
    const QString big = QStringLiteral("big.bin"), small = QStringLiteral("small.bin");
    makeLocal(big, randomBytes(24 << 20));
    const QByteArray smallBody = makeLocal(small, randomBytes(4000));
    ASSERT_EQ(upload(0, kA, 0, big, QStringLiteral("/tmp/big.bin")), 1);
    ASSERT_EQ(upload(0, kB, 0, small, QStringLiteral("/tmp/small.bin")), 1);
    ASSERT_EQ(statusOf(0, 0, kB, small), kWaiting);
    // The only agent the first file is for restarts while the file is still on its way to the
    // gateway: its arrival there reports nothing to the console.
    ASSERT_TRUE(waitUntil([&] { return uploadsAsked(0, big) == 1; }));
    ASSERT_GT(control()->SendRequest(20, QString(), key(0, kA)), 0);
    ASSERT_TRUE(waitUntil([&] { return tree()->FindAgent(kNorth, kA) == nullptr; }, 10000));
    EXPECT_EQ(statusOf(0, 0, kA, big), kFailed);
    EXPECT_EQ(gw(0).GetUploadCount(1), 1);
    // The waiting file still goes, once the gateway has taken the first.
    ASSERT_TRUE(waitUntil([&] { return statusOf(0, 0, kB, small) == kFinished; }, 30000))
        << gateways[0]->stderrText();
    EXPECT_EQ(readFile(onAgent(0, kB, QStringLiteral("/tmp/small.bin"))), smallBody);
    EXPECT_EQ(gw(0).GetTransferCount(), 0);
}

TEST_F(TransferConsole, AWaitingTransferTakenBackLeavesNoRow)
{
    startGateways({{}});
    const QString first = QStringLiteral("first.bin"), second = QStringLiteral("second.bin");
    makeLocal(first, randomBytes(60 * 1024));
    makeLocal(second, randomBytes(1000));
    QDir().mkpath(onAgent(0, kB, QStringLiteral("/tmp")));
    for (const QString& name : {first, second}) {
        QFile f(onAgent(0, kB, QStringLiteral("/tmp/") + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(randomBytes(2000));
    }
    ASSERT_EQ(upload(0, kA, 0, first, QStringLiteral("/tmp/first.bin")), 1);
    ASSERT_EQ(upload(0, kA, 0, second, QStringLiteral("/tmp/second.bin")), 1);
    ASSERT_EQ(download(0, kB, QStringLiteral("down1.bin"), QStringLiteral("/tmp/first.bin")), 1);
    ASSERT_EQ(download(0, kB, QStringLiteral("down2.bin"), QStringLiteral("/tmp/second.bin")), 1);
    ASSERT_EQ(statusOf(0, 0, kA, second), kWaiting);
    ASSERT_EQ(statusOf(2, 0, kB, QStringLiteral("down2.bin")), kWaiting);
    // The queue's Remove on the waiting ones: their rows go with their records.
    EXPECT_EQ(
        CTarnDoc::CancelTaskCB(0, localPath(second), QStringLiteral("/tmp/second.bin"), doc(), key(0, kA)),
        1);
    EXPECT_EQ(CTarnDoc::CancelTaskCB(2, localPath(QStringLiteral("down2.bin")),
                                     QStringLiteral("/tmp/second.bin"), doc(), key(0, kB)),
              1);
    EXPECT_EQ(rowOf(0, 0, kA, second), -1);
    EXPECT_EQ(rowOf(2, 0, kB, QStringLiteral("down2.bin")), -1);
    // The running ones cannot be taken back and finish.
    EXPECT_EQ(
        CTarnDoc::CancelTaskCB(0, localPath(first), QStringLiteral("/tmp/first.bin"), doc(), key(0, kA)), 0);
    ASSERT_TRUE(waitUntil([&] { return allRows(0, kFinished) && allRows(2, kFinished); }, 30000));
    EXPECT_EQ(list(0)->GetNumberRows(), 1);
    EXPECT_EQ(list(2)->GetNumberRows(), 1);
    pump(300);
    EXPECT_EQ(uploadsAsked(0, second), 0);
    EXPECT_FALSE(QFile::exists(localPath(QStringLiteral("down2.bin"))));
    EXPECT_EQ(gw(0).GetTransferCount(), 0);
}

TEST_F(TransferConsole, OneLocalFileThroughTwoGateways)
{
    startGateways({{}, {}});
    const QString file = QStringLiteral("shared.bin");
    const QByteArray body = makeLocal(file, randomBytes(120 * 1024 + 1));
    ASSERT_EQ(upload(0, kA, 0, file, QStringLiteral("/srv/shared.bin")), 1);
    ASSERT_EQ(upload(1, kA, 0, file, QStringLiteral("/srv/shared.bin")), 1);
    // Two agents with the same address behind two gateways: two rows, each started at its gateway.
    EXPECT_EQ(statusOf(0, 0, kA, file), kToGateway);
    EXPECT_EQ(statusOf(0, 1, kA, file), kToGateway);
    ASSERT_TRUE(waitUntil([&] { return allRows(0, kFinished); }, 30000));
    EXPECT_EQ(list(0)->GetNumberRows(), 2);
    EXPECT_EQ(readFile(onAgent(0, kA, QStringLiteral("/srv/shared.bin"))), body);
    EXPECT_EQ(readFile(onAgent(1, kA, QStringLiteral("/srv/shared.bin"))), body);
    EXPECT_EQ(uploadsAsked(0), 1);
    EXPECT_EQ(uploadsAsked(1), 1);
}

TEST_F(TransferConsole, EveryRefusalRecordsNothing)
{
    startGateways({{"--agent-rate", "20000"}, {}});
    makeLocal(QStringLiteral("a.bin"), randomBytes(30 * 1024));
    makeLocal(QStringLiteral("fw.img"), "VERSION=3.0\n" + randomBytes(1024));
    QDir().mkpath(onAgent(0, kB, QStringLiteral("/tmp")));
    {
        QFile f(onAgent(0, kB, QStringLiteral("/tmp/pulled.bin")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(randomBytes(50 * 1024));
    }
    auto refused = [&](const std::function<int()>& attempt, const QString& text, const QString& caption,
                       unsigned icon) {
        const std::vector<int> before = footprint();
        const size_t boxesBefore = boxes.size();
        EXPECT_EQ(attempt(), 0);
        EXPECT_EQ(footprint(), before);
        if (text.isEmpty()) {
            EXPECT_EQ(boxes.size(), boxesBefore);
            return;
        }
        ASSERT_EQ(boxes.size(), boxesBefore + 1);
        EXPECT_EQ(boxes.back().text, text);
        EXPECT_EQ(boxes.back().caption, caption);
        EXPECT_EQ(boxes.back().icon, icon);
    };
    const QString upCaption = QStringLiteral("Upload Files"), downCaption = QStringLiteral("File Download");
    const QString inUse = QStringLiteral("This file is used by other program now. Please try again later.");

    // A drive-letter agent needs a drive in its remote path.
    refused([&] { return upload(0, kXpe, 0, QStringLiteral("a.bin"), QStringLiteral("\\Temp\\a.bin")); },
            QStringLiteral("Invalid remote directory.\nPlease specify the drive (ex: C:\\)."), upCaption,
            MB_ICONERROR);
    // Only files and firmware go up.
    refused([&] { return upload(0, kA, 2, QStringLiteral("a.bin"), QStringLiteral("/tmp/a.bin")); },
            QString(), QString(), 0);

    // An agent whose firmware is on its way takes nothing else.
    ASSERT_EQ(upload(0, kA, 1, QStringLiteral("fw.img"), QStringLiteral("fw.img")), 1);
    const QString target = QStringLiteral("\n\nTarget:\n") + localPath(QStringLiteral("fw.img"));
    refused(
        [&] { return upload(0, kA, 1, QStringLiteral("fw.img"), QStringLiteral("fw.img")); },
        QStringLiteral("One firmware file is upgrading right now. \nYou have to wait until it's finished for "
                       "next firmware upgrading.") +
            target,
        upCaption, MB_ICONERROR);
    const QString restart = QStringLiteral(
        "One firmware file is upgrading right now. \nYou have to wait until it restarts the device.");
    refused([&] { return upload(0, kA, 0, QStringLiteral("a.bin"), QStringLiteral("/tmp/a.bin")); },
            restart + QStringLiteral("\n\nTarget:\n") + localPath(QStringLiteral("a.bin")), upCaption,
            MB_ICONINFORMATION);
    refused([&] { return download(0, kA, QStringLiteral("x.bin"), QStringLiteral("/tmp/x.bin")); },
            restart + QStringLiteral("\n\nTarget:\n") + localPath(QStringLiteral("x.bin")), downCaption,
            MB_ICONINFORMATION);

    // A local file coming down from one gateway is no source for another, and a file going up
    // through any gateway is no target for a download.
    ASSERT_EQ(download(0, kB, QStringLiteral("pulled.bin"), QStringLiteral("/tmp/pulled.bin")), 1);
    refused([&] { return upload(1, kC, 0, QStringLiteral("pulled.bin"), QStringLiteral("/tmp/p.bin")); },
            inUse, upCaption, MB_ICONERROR);
    ASSERT_EQ(upload(1, kB, 0, QStringLiteral("a.bin"), QStringLiteral("/tmp/a.bin")), 1);
    refused([&] { return download(0, kC, QStringLiteral("a.bin"), QStringLiteral("/tmp/pulled.bin")); },
            inUse, downCaption, MB_ICONERROR);
    refused([&] { return download(1, kC, QStringLiteral("pulled.bin"), QStringLiteral("/tmp/pulled.bin")); },
            inUse, downCaption, MB_ICONERROR);
    // The same file to the same place on the same agent is already on its way.
    refused([&] { return upload(1, kB, 0, QStringLiteral("a.bin"), QStringLiteral("/tmp/a.bin")); }, inUse,
            upCaption, MB_ICONERROR);

    // What was accepted runs to its end.
    ASSERT_TRUE(waitUntil([&] { return allRows(0, kFinished) && allRows(2, kFinished); }, 30000))
        << gateways[0]->stderrText();
}
} // namespace
