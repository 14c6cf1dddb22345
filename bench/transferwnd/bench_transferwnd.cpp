// Transfer window benchmark: a 256 MiB file uploaded to 10 agents of one gateway, from the first
// request until every agent has it and the gateway's copy is cleared.
//
// console: a shown CMainFrame (offscreen) showing its transfer window, the upload started through
//   the document's upload callback once per agent as the upload window does; the window follows
//   every report.
// core: the control core alone with a plain receiver, the same transfer started with the same
//   records; the least work the console must do.
// Runs alternate against one gateway; medians of wall time and the console's throughput against
// the core's. During the console's runs a 10 ms timer measures the longest stall of the event loop.
#include "agenttree.h"
#include "benchutil.h"
#include "mainframe.h"
#include "notify.h"
#include "resource.h"
#include "tarndoc.h"
#include "tarninfoview.h"
#include "transfer_flows.h"
#include "zrcontrol.h"
#include "zrfmtypes.h"
#include "zrtransfergrid.h"
#include "zrtransferwnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

void RegisterConsoleStrings();

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kAgents = 10;
constexpr std::size_t kSize = 256u << 20;
const QString kGateway = QStringLiteral("Plant");
const QString kRemote = QStringLiteral("/opt/bench.bin");

QString address(int i)
{
    return QStringLiteral("10.5.0.%1").arg(i + 1);
}

void writeFile(const std::string& path, std::size_t size, unsigned seed)
{
    std::vector<char> data(size);
    unsigned x = seed;
    for (auto& c : data) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(data.size()));
}

bool described(CZRControl& control)
{
    const CZRGateway& gw = control.GetGateway(kGateway);
    if (gw.GetAgentCount() != kAgents) return false;
    for (const auto& a : gw.GetAgentList())
        if (a->GetModelName().isEmpty()) return false;
    return true;
}

struct Run
{
    double wall = -1;
    double stallMs = -1;
};

// The console, connected once; each run uploads the file to every agent.
struct Console
{
    std::unique_ptr<CMainFrame> frame;
    bool open(const QString& profile)
    {
        frame = std::make_unique<CMainFrame>();
        if (!frame->Document()->OnNewDocument(profile, QString())) return false;
        frame->resize(1100, 760);
        frame->show();
        if (!frame->Document()->ConnectGateway(kGateway)) return false;
        if (!spin([&] { return described(*frame->Document()->Control()); }, 30000)) return false;
        frame->Tree()->setCurrentItem(frame->Tree()->FindGateway(kGateway));
        frame->Document()->OnCommand(ID_TRANSFER_LIST);
        QCoreApplication::processEvents();
        return frame->InfoView()->CurrentPage() == PAGE_TRANSFER;
    }
    CZRTransferGrid* rows() const { return frame->InfoView()->TransferWnd()->GetListWnd(0)->GetGrid(); }
    bool finished() const
    {
        CZRTransferGrid* grid = rows();
        if (grid->GetNumberRows() != kAgents) return false;
        for (long row = 0; row < kAgents; ++row)
            if (grid->GetRowStatus(row) != CZRTransferGrid::kFinished) return false;
        return frame->Document()->Control()->GetGateway(kGateway).GetTransferCount() == 0;
    }
    bool failed() const
    {
        CZRTransferGrid* grid = rows();
        for (long row = 0; row < grid->GetNumberRows(); ++row)
            if (grid->GetRowStatus(row) == CZRTransferGrid::kFailed) return true;
        return false;
    }
    Run upload(const QString& local)
    {
        rows()->RemoveAllItems(0);
        QCoreApplication::processEvents();
        StallMeter stall;
        const auto start = Clock::now();
        for (int i = 0; i < kAgents; ++i) {
            _TransferRequest r;
            r.kind = 0;
            r.size = kSize;
            r.localPath = local;
            r.remotePath = kRemote;
            if (CTarnDoc::UploadCB(r, 21, frame->Document(), kGateway + u'|' + address(i)) == 0) return {};
        }
        const bool done = spin([&] { return finished() || failed(); });
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        const double stallMs = stall.longestMs();
        return done && !failed() ? Run{s, stallMs} : Run{};
    }
};

class Receiver : public QObject
{
public:
    int finished = 0;
    int failed = 0;
    bool over = false;

protected:
    bool event(QEvent* e) override
    {
        switch (int(e->type())) {
        case zrmsg::TransferFinished:
            ++finished;
            return true;
        case zrmsg::TransferFailed:
        case zrmsg::GatewayDisconnected:
            ++failed;
            return true;
        case zrmsg::TransfersOver:
            over = true;
            return true;
        default:
            return int(e->type()) >= 1525 && int(e->type()) <= 1635 ? true : QObject::event(e);
        }
    }
};

// The control core alone, connected once.
struct Core
{
    Receiver receiver;
    CZRControl control;
    bool open(int port)
    {
        control.SetMainHWND(&receiver);
        control.AddGateway(kGateway, QStringLiteral("127.0.0.1"), QString::number(port));
        if (!control.Connect2Gateway(kGateway)) return false;
        if (!spin([&] { return control.GetGateway(kGateway).GetAgentCount() == kAgents; }, 20000))
            return false;
        for (int i = 0; i < kAgents; ++i)
            control.SendRequest(1, QString(), kGateway + u'|' + address(i));
        return spin([&] { return described(control); }, 20000);
    }
    // The same stall meter runs here: what the machine itself costs the loop, for reference.
    double stallMs = -1;
    double upload(const QString& local)
    {
        receiver.finished = receiver.failed = 0;
        receiver.over = false;
        StallMeter stall;
        const auto start = Clock::now();
        for (int i = 0; i < kAgents; ++i)
            tarntest::startUpload(control, kGateway + u'|' + address(i), ZRT_UPLOAD, local, kRemote, kSize);
        if (!spin([&] { return (receiver.finished == kAgents && receiver.over) || receiver.failed; }))
            return -1;
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        stallMs = stall.longestMs();
        return receiver.failed ? -1 : s;
    }
};

} // namespace

int main(int argc, char** argv)
{
    char scratch[] = "/tmp/tarn-bench-transferwnd-XXXXXX";
    if (!::mkdtemp(scratch)) return 1;
    const std::string dir = scratch;
    {
        std::ofstream fleet(dir + "/fleet.txt");
        for (int i = 0; i < kAgents; ++i)
            fleet << address(i).toStdString() << " lx-" << (i + 1) << " model=TRN-200-LX\n";
    }
    const std::string root = dir + "/root";
    ::mkdir(root.c_str(), 0755);
    const std::string local = dir + "/upload.bin";
    writeFile(local, kSize, 1);
    int reps = 3;
    if (const char* r = std::getenv("TARN_BENCH_REPS")) reps = std::max(1, std::atoi(r));

    int status = 1;
    {
        // Forked before Qt starts any thread.
        GatewayChild gateway({"--fleet", dir + "/fleet.txt", "--root", root, "--agent-rate", "4294967296"});
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(style);
        RegisterConsoleStrings();
        QTemporaryDir profileDir;
        const QString profile = profileDir.filePath(QStringLiteral("TarnTool.ini"));
        {
            QFile f(profile);
            if (f.open(QIODevice::WriteOnly))
                f.write("[Gateway]\nCount=1\nName1=Plant\nIP1=127.0.0.1\nPort1=" +
                        QByteArray::number(gateway.port()) + "\n");
        }
        Core core;
        Console console;
        if (gateway.port() <= 0 || !core.open(gateway.port()) || !console.open(profile)) {
            std::printf(
                "transfer window: tarn-gateway did not start or the agents did not come (TARN_BIN_DIR?)\n");
        } else {
            const QString file = QString::fromStdString(local);
            std::vector<double> cw, bw, stalls, coreStalls;
            bool complete = true;
            for (int i = 0; i < reps && complete; ++i) {
                bw.push_back(core.upload(file));
                coreStalls.push_back(core.stallMs);
                const Run r = console.upload(file);
                cw.push_back(r.wall);
                stalls.push_back(r.stallMs);
                complete = bw.back() > 0 && r.wall > 0;
            }
            if (!complete) {
                std::printf("transfer window: a run did not complete\n");
            } else {
                constexpr double kThroughputTarget = 0.8;
                constexpr double kStallBudgetMs = 100;
                const double c = median(cw), b = median(bw);
                const double ratio = b / c; // the console's throughput against the core's
                const double worstStall = *std::max_element(stalls.begin(), stalls.end());
                std::printf("upload of 256 MiB to 10 agents, transfer window shown (medians of %d)\n", reps);
                std::printf("%-32s console %6.3f s (%6.1f MB/s)  core %6.3f s (%6.1f MB/s)  ratio %4.2f "
                            "(target >= %.1f)%s\n",
                            "throughput", c, double(kSize) / c / 1e6, b, double(kSize) / b / 1e6, ratio,
                            kThroughputTarget, ratio >= kThroughputTarget ? "" : " MISSED");
                std::printf("%-32s longest %6.1f ms  median %6.1f ms (budget <= %.0f ms)%s\n",
                            "console event-loop stall", worstStall, median(stalls), kStallBudgetMs,
                            worstStall <= kStallBudgetMs ? "" : " OVER");
                std::printf("%-32s longest %6.1f ms  median %6.1f ms (reference)\n",
                            "core alone event-loop stall",
                            *std::max_element(coreStalls.begin(), coreStalls.end()), median(coreStalls));
                status = ratio >= kThroughputTarget && worstStall <= kStallBudgetMs ? 0 : 1;
            }
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return status;
}
