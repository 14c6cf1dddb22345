// One gateway connection: a receive worker that connects, logs in and reads messages, and hands
// them in batches to the control window. A batch is posted only once the previous one has been
// handled, so replies are handled one at a time and in order, and at most one batch waits.
//
// Mapping onto std::thread: InitInstance starts the worker (DeriveThread); Disconnect only asks it
// to stop (stop flag, socket shut down, a waiting hand-over released) and never blocks; ExitInstance
// joins the worker and is called by the control window once the worker has posted its exit (1127)
// or after Disconnect; the destructor frees the connection handle, so it outlives the worker.
#pragma once

#include "messages.h"
#include "zrctrl_global.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct TarnHandle;

// What the worker and the GUI thread share: stop, and the hand-over that is in flight.
struct ZRConnectionState
{
    explicit ZRConnectionState(const QString& name) : gateway(name) {}
    const QString gateway; // read by the GUI thread only
    std::mutex lock;
    std::condition_variable handled;
    std::atomic<bool> stop{false};
    quint64 posted = 0;   // hand-overs posted by the worker
    quint64 finished = 0; // hand-overs the GUI thread has finished

    bool stopping() const { return stop.load(std::memory_order_acquire); }
    void requestStop();
    void finish();
};

class ZRCTRL_EXPORT CZRClientThread
{
public:
    // Replies read in one go are handed over together, up to this many.
    static constexpr int kMaxBatch = 256;

    CZRClientThread(TarnHandle* connection, const QString& address, int port, const QString& gateway,
                    quint64 serial);
    ~CZRClientThread();
    CZRClientThread(const CZRClientThread&) = delete;
    CZRClientThread& operator=(const CZRClientThread&) = delete;

    int InitInstance();
    // Joins the worker. Call only after Disconnect or once the worker posted its exit.
    int ExitInstance();
    void Disconnect();
    void DeriveThread();

    // Hands a message to the control window and waits until it is handled (or the connection stops).
    int ReceiveReplyMsg(quint16 code, quint16 value, const QString& text, const QString& nick);
    int SendRequestMsg(_Message& message);
    int SendRequestUpload(_MessageFile& message);
    static std::optional<QByteArray> CString2char(const QString& text);
    void SetMainHWND(QObject* control) { m_control = control; }

    quint64 serial() const { return m_serial; }
    const QString& gatewayName() const { return m_gateway; }
    const std::shared_ptr<ZRConnectionState>& state() const { return m_state; }
    // The text handed on when the gateway upload of a local file is refused before it is sent.
    static QString UploadRefusedText(const _MessageFile& message);

private:
    void handOver(std::vector<_Message>&& batch, bool wait);
    void wake();

    QString m_gateway;
    int m_port = 0;
    QByteArray m_address;
    QPointer<QObject> m_control;
    TarnHandle* m_connection = nullptr;
    std::thread m_worker;
    std::shared_ptr<ZRConnectionState> m_state;
    quint64 m_serial = 0;
};
