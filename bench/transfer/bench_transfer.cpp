// Transfers through the whole control core against the same legs driven by a bare wire-library client,
// both against one tarn-gateway in the same run.
//
// upload: a 64 MiB file to 10 agents (one trip to the gateway, ten deliveries), until every agent has it.
// download: a 64 MiB file from one agent, until the download is complete.
#include "benchutil.h"
#include "notify.h"
#include "tarnutil.h"
#include "transfer_flows.h"
#include "zrcontrol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kAgents = 10;
constexpr std::size_t kSize = 64u << 20;

std::string address(int i)
{
    return "10.5.0." + std::to_string(i + 1);
}
std::string nick(int i)
{
    return address(i) + ":lx-" + std::to_string(i + 1);
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

class Counter : public QObject
{
public:
    int finished = 0;
    int failed = 0;
    bool over = false;
    void reset()
    {
        finished = failed = 0;
        over = false;
    }

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
            return QObject::event(e);
        }
    }
};

// The console's side with the control core.
struct Core
{
    Counter counter;
    CZRControl control;
    const QString gw = QStringLiteral("bench");
    bool open(int port)
    {
        control.SetMainHWND(&counter);
        control.AddGateway(gw, QStringLiteral("127.0.0.1"), QString::number(port));
        if (!control.Connect2Gateway(gw)) return false;
        if (!spin([&] { return control.GetGateway(gw).GetAgentCount() == kAgents; }, 20000)) return false;
        for (int i = 0; i < kAgents; ++i)
            control.SendRequest(1, QString(), key(i));
        // Device information first: it tells the core the agents' separators.
        int known = 0;
        spin([&] {
            known = 0;
            for (int i = 0; i < kAgents; ++i)
                known += control.GetAgent(key(i)).GetModelName().isEmpty() ? 0 : 1;
            return known == kAgents;
        });
        return known == kAgents;
    }
    QString key(int i) const { return gw + QLatin1Char('|') + QString::fromStdString(address(i)); }

    double upload(const std::string& local)
    {
        counter.reset();
        const auto start = Clock::now();
        for (int i = 0; i < kAgents; ++i)
            tarntest::startUpload(control, key(i), ZRT_UPLOAD, QString::fromStdString(local),
                                  QStringLiteral("/opt/bench.bin"), kSize);
        if (!spin([&] { return (counter.finished == kAgents && counter.over) || counter.failed; })) return -1;
        return counter.failed ? -1 : std::chrono::duration<double>(Clock::now() - start).count();
    }
    double download(const std::string& local)
    {
        counter.reset();
        const auto start = Clock::now();
        tarntest::startDownload(control, key(0), QString::fromStdString(local),
                                QStringLiteral("/var/bench.bin"));
        if (!spin([&] { return counter.finished == 1 || counter.failed; })) return -1;
        return counter.failed ? -1 : std::chrono::duration<double>(Clock::now() - start).count();
    }
};

// The same exchanges with the wire library alone.
struct Bare : BareClient
{
    bool open(int port)
    {
        if (!connect(port)) return false;
        for (int online = 0; online < kAgents;) {
            if (next() < 0) return false;
            online += code == 26;
        }
        return true;
    }
    std::string item(int n) const
    {
        return CZRControl::GetTextItem(n, QString::fromUtf8(text.data())).toStdString();
    }
    double upload(const std::string& local)
    {
        const auto start = Clock::now();
        if (TarnSendFileToGW(h, nick(0).c_str(), local.c_str(), "/opt/bench.bin") != 0) return -1;
        std::string tag;
        while (tag.empty()) {
            if (next() < 0 || code == 999) return -1;
            if (code == 192) tag = item(2);
        }
        for (int i = 0; i < kAgents; ++i)
            TarnSendFileFromGW(h, nick(i).c_str(), local.c_str(), "/opt/bench.bin", tag.c_str(), 0);
        for (int delivered = 0; delivered < kAgents;) {
            if (next() < 0 || code == 999) return -1;
            delivered += code == 196;
        }
        TarnClearUploadFile(h, "127.0.0.1", tag.c_str());
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        while (code != 198)
            if (next() < 0) return -1;
        return s;
    }
    double download(const std::string& local)
    {
        const auto start = Clock::now();
        if (TarnDownloadFile(h, nick(0).c_str(), local.c_str(), "/var/bench.bin") != 0) return -1;
        for (;;) {
            if (next() < 0 || code == 999) return -1;
            if (code == 199 && item(4) == "1" && item(7) == "0") break;
        }
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
};

bool report(const char* what, std::vector<double> core, std::vector<double> bare, std::size_t bytes)
{
    for (double v : core)
        if (v < 0) return std::printf("%s: a run failed\n", what), false;
    for (double v : bare)
        if (v < 0) return std::printf("%s: a run failed\n", what), false;
    const double c = median(core), b = median(bare);
    const double ratio = b / c; // throughput of the core against the bare legs
    std::printf("%-30s core %6.3f s (%6.1f MB/s)  bare %6.3f s (%6.1f MB/s)  ratio %4.2f (target >= 0.8)%s\n",
                what, c, double(bytes) / c / 1e6, b, double(bytes) / b / 1e6, ratio,
                ratio >= 0.8 ? "" : " MISSED");
    return ratio >= 0.8;
}

} // namespace

int main(int argc, char** argv)
{
    char scratch[] = "/tmp/tarn-bench-transfer-XXXXXX";
    if (!::mkdtemp(scratch)) return 1;
    const std::string dir = scratch;
    {
        std::ofstream fleet(dir + "/fleet.txt");
        for (int i = 0; i < kAgents; ++i)
            fleet << address(i) << " lx-" << (i + 1) << " model=TRN-200-LX\n";
    }
    const std::string root = dir + "/root";
    ::mkdir(root.c_str(), 0755);
    ::mkdir((root + "/" + address(0)).c_str(), 0755);
    ::mkdir((root + "/" + address(0) + "/var").c_str(), 0755);
    writeFile(root + "/" + address(0) + "/var/bench.bin", kSize, 2);
    const std::string local = dir + "/upload.bin";
    writeFile(local, kSize, 1);
    int reps = 3;
    if (const char* r = std::getenv("TARN_BENCH_REPS")) reps = std::max(1, std::atoi(r));

    int status = 0;
    {
        // Forked before Qt starts any thread.
        GatewayChild gateway({"--fleet", dir + "/fleet.txt", "--root", root, "--agent-rate", "4294967296"});
        QCoreApplication app(argc, argv);
        Core core;
        Bare bare;
        if (gateway.port() <= 0 || !core.open(gateway.port()) || !bare.open(gateway.port())) {
            std::printf("transfer: tarn-gateway did not start or the agents did not come (TARN_BIN_DIR?)\n");
            status = 1;
        } else {
            std::vector<double> cu, bu, cd, bd;
            for (int i = 0; i < reps; ++i) {
                bu.push_back(bare.upload(local));
                cu.push_back(core.upload(local));
                bd.push_back(bare.download(dir + "/bare-download.bin"));
                cd.push_back(core.download(dir + "/core-download.bin"));
            }
            std::printf("transfers through the control core against bare wire-library legs (medians of %d)\n",
                        reps);
            if (!report("upload 64 MiB to 10 agents", cu, bu, kSize)) status = 1;
            if (!report("download 64 MiB", cd, bd, kSize)) status = 1;
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return status;
}
