#include "zrclientthread.h"
#include "zrevents.h"

#include "tarnutil.h"
#include "wirecodec.h"

#include <QCoreApplication>

#include <cstdint>
#include <sys/socket.h>

namespace {

// The largest payload a frame can carry (10240-byte frame buffer, 4-byte header, terminating NUL).
constexpr int kMaxPayload = 10235;

// The handle's first field is its socket (a layout callers of the library know). Shutting the
// socket down wakes a worker blocked in a receive without freeing anything under it.
void shutdownSocket(TarnHandle* handle)
{
    if (handle == nullptr) return;
    const std::int32_t fd = *reinterpret_cast<volatile std::int32_t*>(handle);
    if (fd > 0) ::shutdown(fd, SHUT_RDWR);
}

} // namespace

void ZRConnectionState::requestStop()
{
    std::lock_guard<std::mutex> guard(lock);
    stop.store(true, std::memory_order_release);
    handled.notify_all();
}

void ZRConnectionState::finish()
{
    std::lock_guard<std::mutex> guard(lock);
    ++finished;
    handled.notify_all();
}

CZRClientThread::CZRClientThread(TarnHandle* connection, const QString& address, int port,
                                 const QString& gateway, quint64 serial)
    : m_gateway(gateway), m_port(port), m_connection(connection),
      m_state(std::make_shared<ZRConnectionState>(QString(gateway.data(), gateway.size()))), m_serial(serial)
{
    // A dotted IPv4 address has at most 15 characters; keep no more than the record ever held.
    m_address = CString2char(address).value_or(QByteArray()).left(23);
}

CZRClientThread::~CZRClientThread()
{
    Disconnect();
    ExitInstance();
    TarnUninit(m_connection);
}

int CZRClientThread::InitInstance()
{
    if (!m_worker.joinable()) m_worker = std::thread([this] { DeriveThread(); });
    return 1;
}

int CZRClientThread::ExitInstance()
{
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id()) m_worker.join();
    return 0;
}

void CZRClientThread::Disconnect()
{
    m_state->requestStop();
    shutdownSocket(m_connection);
}

std::optional<QByteArray> CZRClientThread::CString2char(const QString& text)
{
    return WireCodec::toWire(text);
}

QString CZRClientThread::UploadRefusedText(const _MessageFile& message)
{
    const QString agentPath = message.firmware ? QStringLiteral("firmware") : message.destination;
    return QStringLiteral("191 \"%1\" \"%2\" %3 \"%1: File name (path) error.\"")
        .arg(message.path, agentPath, QString::number(message.firmware ? 1 : 0));
}

void CZRClientThread::handOver(std::vector<_Message>&& batch, bool wait)
{
    std::unique_lock<std::mutex> guard(m_state->lock);
    // One hand-over at a time: the previous batch is handled before the next is posted, so replies
    // reach the GUI thread in order and a slow GUI holds the reading back.
    m_state->handled.wait(guard, [&] { return m_state->finished >= m_state->posted || m_state->stopping(); });
    if (m_state->stopping() || m_control == nullptr) return;
    const quint64 ticket = ++m_state->posted;
    guard.unlock();
    QCoreApplication::postEvent(m_control, new CZRReplyEvent(m_state, std::move(batch)));
    if (!wait) return;
    guard.lock();
    m_state->handled.wait(guard, [&] { return m_state->finished >= ticket || m_state->stopping(); });
}

int CZRClientThread::ReceiveReplyMsg(quint16 code, quint16 value, const QString& text, const QString& nick)
{
    std::vector<_Message> batch;
    batch.push_back(_Message{value, code, nick, text, m_gateway});
    handOver(std::move(batch), true);
    return 1;
}

void CZRClientThread::DeriveThread()
{
    [this] {
        if (m_state->stopping()) return;
        int rc = TarnConnect(m_connection, m_address.constData(), m_port);
        if (rc < 0) {
            ReceiveReplyMsg(9999, quint16(rc), QString(), QString());
            return;
        }
        if (m_state->stopping()) return;
        rc = TarnLogin(m_connection);
        if (rc < 0) {
            ReceiveReplyMsg(9998, quint16(rc), QString(), QString());
            return;
        }
        // Room for the largest payload, so a long name or text is delivered rather than ending the
        // connection; only a frame beyond the frame limit still fails the read.
        std::vector<char> target(kMaxPayload + 1);
        std::vector<char> text(kMaxPayload + 1);
        while (!m_state->stopping()) {
            std::vector<_Message> batch;
            batch.reserve(kMaxBatch);
            // Replies come in runs for one agent: its nick is decoded once per batch and shared
            // within it (not across batches, whose strings the GUI thread releases meanwhile).
            QByteArray lastTarget;
            QString lastNick;
            unsigned short code = 0;
            int result = TarnRecvMsg(m_connection, target.data(), quint16(target.size()), &code, text.data(),
                                     int(text.size()), 3000);
            if (result == 0) continue;
            bool ended = false;
            // Take what is already waiting too, so a burst costs one hand-over rather than one each.
            while (true) {
                if (result < 0) {
                    batch.push_back(_Message{quint16(result), 9997, QString(), QString(), m_gateway});
                    ended = true;
                    break;
                }
                _Message m;
                m.value = quint16(result);
                m.code = code;
                const QByteArrayView targetBytes(target.data(), qsizetype(std::strlen(target.data())));
                if (targetBytes != lastTarget) {
                    lastTarget = targetBytes.toByteArray();
                    lastNick = WireCodec::fromWire(lastTarget);
                }
                m.nick = lastNick;
                if (result != TARN_NO_TEXT)
                    m.text = WireCodec::fromWire(text.data(), std::min<qsizetype>(result, kMaxPayload));
                batch.push_back(std::move(m));
                if (int(batch.size()) >= kMaxBatch || m_state->stopping()) break;
                result = TarnRecvMsg(m_connection, target.data(), quint16(target.size()), &code, text.data(),
                                     int(text.size()), 0);
                if (result == 0) break;
            }
            // The next batch is read while the GUI thread handles this one.
            handOver(std::move(batch), false);
            if (ended) return;
        }
    }();
    if (m_control != nullptr) QCoreApplication::postEvent(m_control, new CZRThreadExitEvent(m_serial));
}

int CZRClientThread::SendRequestMsg(_Message& message)
{
    const std::optional<QByteArray> nick = CString2char(message.nick);
    if (!nick) return 0;
    std::optional<QByteArray> text;
    if (!message.text.isEmpty()) {
        text = CString2char(message.text);
        if (!text) return 0; // half a request would do something the operator did not ask for
    }
    TarnSendMsg(m_connection, nick->constData(), message.code, text ? text->constData() : nullptr);
    return 1;
}

int CZRClientThread::SendRequestUpload(_MessageFile& message)
{
    const auto nick = CString2char(message.nick);
    const auto path = CString2char(message.path);
    const auto destination = CString2char(message.destination);
    const auto tag = CString2char(message.tag);
    if (!nick || !path || !destination || !tag) return 0;
    switch (message.code) {
    case 191: {
        const int rc = TarnSendFileToGW(m_connection, nick->constData(), path->constData(),
                                        message.firmware ? nullptr : destination->constData());
        if (rc < 0 && m_control != nullptr) {
            // Refused before anything went out: report it as the gateway would, with the items the
            // failure handling needs to find the transfer.
            std::vector<_Message> batch;
            batch.push_back(_Message{0, 999, message.nick, UploadRefusedText(message), m_gateway});
            QCoreApplication::postEvent(m_control, new CZRReplyEvent(m_state, std::move(batch), true));
        }
        break;
    }
    case 195:
        TarnSendFileFromGW(m_connection, nick->constData(), path->constData(),
                           message.firmware ? nullptr : destination->constData(), tag->constData(),
                           message.count);
        break;
    case 197:
        TarnClearUploadFile(m_connection, nick->constData(), tag->constData());
        break;
    default:
        return 0;
    }
    return 1;
}
