#include "fake_rtl_tcp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace radio_test {

namespace {

using namespace std::chrono_literals;

// However slow the client, the server gives up after this long without progress.
constexpr auto Patience = 10s;
constexpr std::size_t PieceBytes = 1 << 16;

void PutBigEndian(std::string& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>(value >> shift);
}

// Waits for `events` on `fd` in slices of 50 ms, until `stop` or Patience has passed.
bool WaitFor(int fd, short events, const std::atomic<bool>& stop) {
    for (auto waited = 0ms; waited < Patience && !stop; waited += 50ms) {
        pollfd p{fd, events, 0};
        if (::poll(&p, 1, 50) > 0)
            return true;
    }
    return false;
}

// Whatever the client has sent by now.
void Collect(int client, std::vector<std::uint8_t>& got) {
    std::uint8_t bytes[256];
    ssize_t n = 0;
    while ((n = ::recv(client, bytes, sizeof bytes, MSG_DONTWAIT)) > 0)
        got.insert(got.end(), bytes, bytes + n);
}

bool SendAll(int client, const std::uint8_t* bytes, std::size_t size,
             std::vector<std::uint8_t>& got, const std::atomic<bool>& stop) {
    while (size > 0) {
        Collect(client, got);
        if (!WaitFor(client, POLLOUT, stop))
            return false;
        const ssize_t sent = ::send(client, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno != EAGAIN)
            return false;
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<std::size_t>(sent);
        }
    }
    return true;
}

} // namespace

std::string RtlTcpHeaderBytes(std::uint32_t tuner, std::uint32_t gains) {
    std::string bytes = "RTL0";
    PutBigEndian(bytes, tuner);
    PutBigEndian(bytes, gains);
    return bytes;
}

std::vector<Command> CommandsIn(const std::vector<std::uint8_t>& bytes) {
    std::vector<Command> commands;
    for (std::size_t at = 0; at + 5 <= bytes.size(); at += 5) {
        commands.push_back({bytes[at], std::uint32_t{bytes[at + 1]} << 24 |
                                           std::uint32_t{bytes[at + 2]} << 16 |
                                           std::uint32_t{bytes[at + 3]} << 8 | bytes[at + 4]});
    }
    return commands;
}

Connection Serving(std::span<const std::uint8_t> capture) {
    Connection connection;
    connection.bytes = capture.size();
    connection.fill = [capture](std::uint64_t at, std::span<std::uint8_t> piece) {
        std::copy_n(capture.begin() + static_cast<std::ptrdiff_t>(at), piece.size(), piece.begin());
    };
    return connection;
}

namespace {

// A socket bound to 127.0.0.1:`port` (0: a free port), not yet listening.
int Listener(int port) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (listener < 0 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error(std::string("fake rtl_tcp: ") + std::strerror(errno));
    return listener;
}

} // namespace

FakeRtlTcpServer::FakeRtlTcpServer(std::vector<Connection> connections,
                                   std::chrono::milliseconds refuseFirst) {
    listener_ = Listener(0);
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error(std::string("fake rtl_tcp: ") + std::strerror(errno));
    port_ = ntohs(address.sin_port);
    // Bound but not listening, the port refuses every client until Serve listens.
    if (refuseFirst == 0ms && ::listen(listener_, 4) != 0)
        throw std::runtime_error(std::string("fake rtl_tcp: ") + std::strerror(errno));
    thread_ = std::thread(&FakeRtlTcpServer::Serve, this, std::move(connections), refuseFirst);
}

FakeRtlTcpServer::~FakeRtlTcpServer() {
    Stop();
}

void FakeRtlTcpServer::Stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

std::vector<std::vector<std::uint8_t>> FakeRtlTcpServer::received() const {
    const std::lock_guard lock(mutex_);
    return received_;
}

bool FakeRtlTcpServer::ServeOne(int client, const Connection& connection,
                                std::vector<std::uint8_t>& got) {
    const auto* header = reinterpret_cast<const std::uint8_t*>(connection.header.data());
    for (std::size_t at = 0; at < connection.header.size(); at += connection.headerPiece) {
        if (at > 0)
            std::this_thread::sleep_for(20ms);
        const std::size_t piece = std::min(connection.headerPiece, connection.header.size() - at);
        if (!SendAll(client, header + at, piece, got, stop_))
            return false;
    }
    std::vector<std::uint8_t> piece(PieceBytes);
    for (std::uint64_t at = 0; at < connection.bytes; at += piece.size()) {
        piece.resize(
            static_cast<std::size_t>(std::min<std::uint64_t>(PieceBytes, connection.bytes - at)));
        connection.fill(at, piece);
        if (!SendAll(client, piece.data(), piece.size(), got, stop_))
            return false;
    }
    return true;
}

void FakeRtlTcpServer::Serve(const std::vector<Connection>& connections,
                             std::chrono::milliseconds refuseFirst) {
    for (auto waited = 0ms; waited < refuseFirst && !stop_; waited += 10ms)
        std::this_thread::sleep_for(10ms);
    if (refuseFirst > 0ms)
        ::listen(listener_, 4);
    for (const Connection& connection : connections) {
        if (!WaitFor(listener_, POLLIN, stop_))
            break;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            break;
        std::vector<std::uint8_t> got;
        if (ServeOne(client, connection, got))
            for (auto waited = 0ms; waited < connection.holdOpen && !stop_; waited += 10ms)
                std::this_thread::sleep_for(10ms);
        // The client's commands may still be on their way when the samples were few.
        for (int i = 0; i < 10 && (got.empty() || got.size() % 5 != 0); ++i) {
            std::this_thread::sleep_for(10ms);
            Collect(client, got);
        }
        Collect(client, got);
        ::close(client);
        {
            const std::lock_guard lock(mutex_);
            received_.push_back(std::move(got));
        }
        if (connection.refuseAfter > 0ms) {
            // Nothing listens on the port for a while: every client is refused.
            ::close(listener_);
            for (auto waited = 0ms; waited < connection.refuseAfter && !stop_; waited += 10ms)
                std::this_thread::sleep_for(10ms);
            listener_ = Listener(port_);
            ::listen(listener_, 4);
        }
    }
    ::close(listener_);
    listener_ = -1;
}

} // namespace radio_test
