#include "gateway.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarngw {

namespace {

// A console that stops reading is cut off rather than allowed to grow the gateway without bound.
constexpr std::size_t kMaxPendingOutput = 64u << 20;
// Frames a console may send before logging in.
constexpr int kMaxUnserved = 64;
constexpr std::size_t kEagerFlush = 32u << 10;

} // namespace

bool splitItems(std::string_view text, std::vector<std::string>* items)
{
    items->clear();
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
            ++i;
        if (i >= text.size()) return true;
        if (text[i] == '"') {
            std::size_t close = text.find('"', i + 1);
            if (close == std::string_view::npos) return false;
            items->emplace_back(text.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            std::size_t end = text.find_first_of(" \t\r\n\"", i);
            if (end == std::string_view::npos) end = text.size();
            items->emplace_back(text.substr(i, end - i));
            i = end;
        }
    }
}

std::string inQuotes(std::string_view text)
{
    std::string q;
    q.reserve(text.size() + 2);
    q += '"';
    q += text;
    q += '"';
    return q;
}

Gateway::Gateway(Options options, Fleet& fleet, std::filesystem::path root)
    : options_(std::move(options)), fleet_(fleet), files_(std::move(root)), drills_(options_),
      transfers_(*this)
{
    startedMs_ = EventLoop::nowMs();
    AgentFiles::Faults faults;
    faults.strictRmdir = options_.strictRmdir;
    faults.oddNames = options_.oddNames;
    faults.hugeFile = options_.hugeFile;
    faults.lockedFolder = options_.lockedFolder;
    files_.setFaults(faults);
}

Gateway::~Gateway()
{
    for (auto& [id, s] : sessions_)
        if (s->fd >= 0) ::close(s->fd);
    if (listenFd_ >= 0) ::close(listenFd_);
    transfers_.cleanup();
}

bool Gateway::listen(std::string* error)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(options_.port));
    if (::inet_pton(AF_INET, options_.listenAddress.c_str(), &addr.sin_addr) != 1) {
        *error = "not an IPv4 address: " + options_.listenAddress;
        return false;
    }
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 128) != 0) {
        *error = std::string("cannot listen on ") + options_.listenAddress + ":" +
                 std::to_string(options_.port) + ": " + std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    loop_.watch(listenFd_, POLLIN, [this](short) { accept(); });
    return true;
}

void Gateway::run()
{
    loop_.run();
}

Session* Gateway::session(std::uint64_t id)
{
    auto it = sessions_.find(id);
    return it == sessions_.end() || it->second->closed ? nullptr : it->second.get();
}

void Gateway::accept()
{
    while (true) {
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto s = std::make_unique<Session>();
        s->id = nextSession_++;
        s->fd = fd;
        s->out.reserve(kEagerFlush * 2);
        char text[INET_ADDRSTRLEN] = "?";
        ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
        s->peer = std::string(text) + ":" + std::to_string(ntohs(peer.sin_port));
        std::uint64_t id = s->id;
        if (options_.verbose)
            std::fprintf(stderr, "[gw] #%llu connected from %s\n", static_cast<unsigned long long>(id),
                         s->peer.c_str());
        sessions_.emplace(id, std::move(s));
        loop_.watch(fd, POLLIN, [this, id](short revents) { onEvents(id, revents); });
    }
}

void Gateway::onEvents(std::uint64_t id, short revents)
{
    Session* s = session(id);
    if (!s) return;
    if (revents & POLLOUT) flush(*s);
    if (!s->closed && (revents & (POLLIN | POLLHUP | POLLERR))) readFrom(*s);
}

void Gateway::readFrom(Session& s)
{
    char buf[65536];
    for (int round = 0; round < 16 && !s.closed; ++round) {
        ssize_t n = ::recv(s.fd, buf, sizeof buf, 0);
        if (n == 0) {
            close(s, "console closed the connection");
            return;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
            close(s, "read error");
            return;
        }
        s.in.feed(buf, static_cast<std::size_t>(n));
        tarnwire::FrameAssembler::Frame frame;
        int r;
        while (!s.closed && (r = s.in.next(frame)) != 0) {
            if (r < 0) {
                close(s, "oversized frame");
                return;
            }
            handleFrame(s, frame);
            // Replies leave while the rest of the batch is read: the console sees them sooner and
            // the buffer stays small.
            if (!s.closed && s.out.size() - s.outOffset >= kEagerFlush) flush(s);
            if (!s.closed && options_.disconnectAfter > 0 && s.framesIn >= options_.disconnectAfter) {
                flush(s);
                close(s, "--disconnect-after");
                return;
            }
        }
        if (static_cast<std::size_t>(n) < sizeof buf) break;
    }
    if (!s.closed) flush(s);
}

void Gateway::flush(Session& s)
{
    while (s.outOffset < s.out.size()) {
        ssize_t n = ::send(s.fd, s.out.data() + s.outOffset, s.out.size() - s.outOffset, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
            close(s, "write error");
            return;
        }
        s.outOffset += static_cast<std::size_t>(n);
    }
    if (s.outOffset == s.out.size()) {
        s.out.clear();
        s.outOffset = 0;
        loop_.setEvents(s.fd, POLLIN);
    } else {
        if (s.outOffset > (1u << 20)) {
            s.out.erase(0, s.outOffset);
            s.outOffset = 0;
        }
        loop_.setEvents(s.fd, POLLIN | POLLOUT);
    }
}

void Gateway::queue(Session& s, std::string frame)
{
    if (s.closed) return;
    if (s.out.size() - s.outOffset + frame.size() > kMaxPendingOutput) {
        close(s, "console does not read its replies");
        return;
    }
    bool idle = s.out.size() == s.outOffset;
    s.out += frame;
    if (idle) loop_.setEvents(s.fd, POLLIN | POLLOUT);
}

void Gateway::close(Session& s, const char* why)
{
    if (s.closed) return;
    if (options_.verbose)
        std::fprintf(stderr, "[gw] #%llu closed: %s\n", static_cast<unsigned long long>(s.id), why);
    s.closed = true;
    loop_.unwatch(s.fd);
    ::close(s.fd);
    s.fd = -1;
    std::uint64_t id = s.id;
    transfers_.sessionClosed(id);
    // The record goes once the handler that closed it has returned.
    loop_.after(0, [this, id] { sessions_.erase(id); });
}

void Gateway::logFrame(const Session& s, const char* direction, std::uint16_t code,
                       std::string_view payload) const
{
    if (!options_.verbose) return;
    std::string text;
    for (std::size_t i = 0; i < payload.size() && text.size() < 200; ++i) {
        auto c = static_cast<unsigned char>(payload[i]);
        if (c >= 32 && c < 127) {
            text += static_cast<char>(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            text += esc;
        }
    }
    if (text.size() > 200) text.resize(200);
    std::fprintf(stderr, "[gw] #%llu %s %u %s\n", static_cast<unsigned long long>(s.id), direction, code,
                 text.c_str());
}

void Gateway::sendFrame(Session& s, std::string frame, Kind kind)
{
    if (frame.size() < tarnwire::kHeaderSize) return;
    bool delayed =
        options_.latencyMs > 0 && (kind == Kind::Reply || kind == Kind::Report || kind == Kind::Announcement);
    if (delayed) {
        std::uint64_t id = s.id;
        loop_.after(options_.latencyMs, [this, id, f = std::move(frame)]() mutable {
            if (Session* later = session(id)) {
                std::uint16_t length, code;
                tarnwire::decodeHeader(reinterpret_cast<const unsigned char*>(f.data()), &length, &code);
                logFrame(*later, "out", code, std::string_view(f).substr(tarnwire::kHeaderSize));
                queue(*later, std::move(f));
            }
        });
        return;
    }
    std::uint16_t length, code;
    tarnwire::decodeHeader(reinterpret_cast<const unsigned char*>(frame.data()), &length, &code);
    logFrame(s, "out", code, std::string_view(frame).substr(tarnwire::kHeaderSize));
    queue(s, std::move(frame));
}

void Gateway::send(std::uint64_t id, std::string_view target, std::uint16_t code, std::string_view text,
                   Kind kind)
{
    Session* s = session(id);
    if (!s) return;
    if (kind == Kind::Reply && drills_.dropReply()) {
        if (options_.verbose)
            std::fprintf(stderr, "[gw] #%llu dropped %u for %.*s\n", static_cast<unsigned long long>(id),
                         code, static_cast<int>(target.size()), target.data());
        return;
    }
    // Never more than the console's receive buffer holds.
    bool withTarget = static_cast<std::int16_t>(code) > 100 && !target.empty();
    std::size_t payload = withTarget ? target.size() + (text.empty() ? 0 : 1 + text.size()) : text.size();
    if (tarnwire::kHeaderSize + payload >= tarnwire::kFrameBuffer) {
        std::fprintf(stderr, "[gw] reply %u for %.*s does not fit a frame; not sent\n", code,
                     static_cast<int>(target.size()), target.data());
        return;
    }
    bool delayed = options_.latencyMs > 0 && kind != Kind::Control && kind != Kind::Chunk;
    if (delayed || options_.verbose || s->closed) {
        sendFrame(*s, tarnwire::makeFrame(target, code, text), kind);
        return;
    }
    // The common case goes straight into the output buffer.
    std::size_t pending = s->out.size() - s->outOffset;
    if (pending + tarnwire::kHeaderSize + payload > kMaxPendingOutput) {
        close(*s, "console does not read its replies");
        return;
    }
    std::size_t at = s->out.size();
    s->out.resize(at + tarnwire::kHeaderSize);
    tarnwire::encodeHeader(reinterpret_cast<unsigned char*>(s->out.data() + at),
                           static_cast<std::uint16_t>(payload), code);
    if (withTarget) {
        s->out += target;
        if (!text.empty()) s->out += ' ';
    }
    s->out += text;
    if (pending == 0) loop_.setEvents(s->fd, POLLIN | POLLOUT);
}

void Gateway::fail(std::uint64_t id, std::string_view target, std::uint16_t code, std::string_view text)
{
    send(id, target, tarnwire::kFailure, std::to_string(code) + " " + inQuotes(text), Kind::Reply);
}

void Gateway::announce(std::uint16_t code, const Agent& agent)
{
    for (auto& [id, s] : sessions_) {
        if (s->closed || !s->loggedIn) continue;
        if (code == tarnwire::kAgentOnline)
            sendFrame(*s, tarnwire::makeFrame("", code, agent.nick), Kind::Announcement);
        else
            sendFrame(*s, tarnwire::makeFrame(agent.nick, code, "\"Rebooting\""), Kind::Announcement);
    }
}

void Gateway::handleFrame(Session& s, tarnwire::FrameAssembler::Frame& frame)
{
    ++s.framesIn;
    logFrame(s, "in ", frame.code, frame.payload);
    if (!s.loggedIn) {
        if (frame.code == tarnwire::kLogin) {
            login(s, frame.payload);
        } else if (++s.unserved > kMaxUnserved) {
            close(s, "no login");
        }
        return;
    }
    if (frame.code <= 100) return; // a second login or an unknown console message: nothing to serve
    std::string& p = frame.payload;
    std::size_t space = p.find(' ');
    std::string target = p.substr(0, space);
    std::string_view args;
    if (space != std::string::npos) args = std::string_view(p).substr(space + 1);
    if (target.empty()) return;
    switch (frame.code) {
    case tarnwire::kUploadToGateway:
        transfers_.upload(s, std::string(target), args);
        break;
    case tarnwire::kChunk:
        transfers_.chunk(s, p);
        break;
    case tarnwire::kSendToAgent:
        transfers_.sendToAgent(s, std::string(target), args);
        break;
    case tarnwire::kClearUpload:
        transfers_.clear(s, std::string(target), args);
        break;
    case tarnwire::kDownload:
        transfers_.download(s, std::string(target), args);
        break;
    case tarnwire::kChunkRequest:
        transfers_.chunkRequest(s, std::string(target), args);
        break;
    case tarnwire::kDownloadStored:
        transfers_.stored(s, std::string(target), args);
        break;
    default:
        serveRequest(s, target, frame.code, args);
        break;
    }
}

void Gateway::login(Session& s, const std::string& payload)
{
    if (payload != "3") {
        close(s, "login with an unknown protocol version");
        return;
    }
    s.loggedIn = true;
    sendFrame(s, tarnwire::makeFrame("", tarnwire::kLoginAccepted, ""), Kind::Control);
    for (const Agent& a : fleet_.agents())
        if (a.state != AgentState::Offline)
            sendFrame(s, tarnwire::makeFrame("", tarnwire::kAgentOnline, a.nick), Kind::Control);
    drills_.afterLogin(*this, s);
}

void Gateway::reboot(Agent& agent)
{
    agent.state = AgentState::Offline;
    std::uint32_t generation = ++agent.generation;
    if (agent.changes) {
        // Processes start afresh; what the operator configured stays.
        agent.changes->killed.clear();
        agent.changes->started.clear();
    }
    announce(172, agent);
    std::uint32_t number = agent.number;
    loop_.after(options_.rebootDelayMs, [this, number, generation] {
        Agent& a = fleet_.agents()[number];
        if (a.generation != generation || a.state != AgentState::Offline) return;
        a.state = AgentState::Online;
        announce(tarnwire::kAgentOnline, a);
    });
}

void Gateway::upgrade(Agent& agent, std::string newFirmware)
{
    agent.state = AgentState::Upgrading;
    std::uint32_t generation = ++agent.generation;
    std::uint32_t number = agent.number;
    loop_.after(options_.upgradeDelayMs, [this, number, generation, fw = std::move(newFirmware)] {
        Agent& a = fleet_.agents()[number];
        if (a.generation != generation || a.state != AgentState::Upgrading) return;
        a.change().firmware = fw;
        reboot(a);
    });
}

} // namespace tarngw
