// Arbitrary replies of a gateway through the control core's dispatch, with transfers under way.
//
// Input: a sequence of replies, each [code: 2 bytes][nick: 1 selector byte][text length: 1 byte][text].
// The selector picks one of the agents' nicks, or takes the next bytes as a nick of its own.
#include "transfer_flows.h"
#include "zrcontrol.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QString kGw = QStringLiteral("gw");
const char* const kNicks[] = {"10.0.0.1:lx", "10.0.0.2:xpe", "10.0.0.3:ce", "10.0.0.1", "", "10.0.0.9:gone"};

// Accepts every notification; the events free their payloads.
class Sink : public QObject
{
protected:
    bool event(QEvent* e) override
    {
        if (int(e->type()) >= 1525 && int(e->type()) <= 1635) return true;
        return QObject::event(e);
    }
};

QCoreApplication* app;
Sink* sink;
CZRControl* control;

void reply(int code, const QString& nick, const QString& text)
{
    control->GetReply(_Message{0, quint16(code), nick, text, kGw});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static int qtArgc = 1;
    static char* qtArgv[] = {(*argv)[0], nullptr};
    (void)argc;
    app = new QCoreApplication(qtArgc, qtArgv);
    sink = new Sink;
    control = new CZRControl;
    control->SetMainHWND(sink);
    control->AddGateway(kGw, QStringLiteral("127.0.0.1"), QStringLiteral("1"));
    QCoreApplication::processEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CZRGateway& gw = control->GetGateway(kGw);
    gw.Connect(1);
    reply(24, QString(), QString());
    reply(26, QString::fromLatin1(kNicks[0]), QString());
    reply(26, QString::fromLatin1(kNicks[1]), QString());
    reply(26, QString::fromLatin1(kNicks[2]), QString());
    reply(102, QString::fromLatin1(kNicks[0]),
          QStringLiteral("\"1 Build 2\" \"TRN-200-LX\" \"1.0\" \"Linux\" \"ARM\" \"h\""));
    reply(102, QString::fromLatin1(kNicks[1]),
          QStringLiteral("\"1 Build 2\" \"TRN-310-XPE\" \"1.0\" \"XPE\" \"x86\" \"h\""));
    // Transfers of every kind under way, so that the reports find entries to change.
    const QString keys[] = {QStringLiteral("gw|10.0.0.1"), QStringLiteral("gw|10.0.0.2"),
                            QStringLiteral("gw|10.0.0.3")};
    for (const QString& key : keys)
        tarntest::startUpload(*control, key, ZRT_UPLOAD, QStringLiteral("/l/a"), QStringLiteral("/opt/a"),
                              10);
    tarntest::startUpload(*control, keys[2], ZRT_FIRMWARE, QStringLiteral("/l/a"), QStringLiteral("firmware"),
                          10);
    tarntest::startDownload(*control, keys[0], QStringLiteral("/l/d"), QStringLiteral("/var/d"));

    std::size_t i = 0;
    while (i + 4 <= size) {
        const int code = (data[i] << 8) | data[i + 1];
        const unsigned selector = data[i + 2];
        const std::size_t length = data[i + 3];
        i += 4;
        QString nick;
        if (selector < std::size(kNicks) * 32) {
            nick = QString::fromLatin1(kNicks[selector % std::size(kNicks)]);
        } else {
            const std::size_t n = std::min<std::size_t>(selector & 0x1f, size - i);
            nick = QString::fromUtf8(reinterpret_cast<const char*>(data + i), qsizetype(n));
            i += n;
        }
        const std::size_t n = std::min(length, size - i);
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + i), qsizetype(n));
        i += n;
        // Connection events would end the (thread-less) connection; keep it up so the rest is reached.
        if (code >= 9997 && code <= 9999) continue;
        reply(code, nick, text);
        if (!gw.IsConnect()) gw.Connect(1);
    }
    QCoreApplication::sendPostedEvents();
    gw.ClearOnlineInfo();
    gw.ResetEmptyAgent();
    gw.Connect(0);
    return 0;
}
