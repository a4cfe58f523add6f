#include "rtl_tcp_source.h"

#include "file_error.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>

namespace vantrel {

namespace {

using namespace std::chrono_literals;

constexpr std::string_view Magic = "RTL0";
constexpr std::string_view DefaultPort = "1234";
// A Read waits this long for samples, so that a stop request is seen in time.
constexpr auto PieceWait = 100ms;
// 2.4 MS/s is 4.8 MB a second: a piece of 256 KiB is 55 ms of it.
constexpr std::size_t PieceBytes = std::size_t{1} << 18;

// The tuners as rtl_tcp numbers them in its header.
constexpr std::array<std::string_view, 7> TunerNames = {"unknown", "E4000", "FC0012", "FC0013",
                                                        "FC2580",  "R820T", "R828D"};

std::uint32_t BigEndian(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

void AppendCommand(std::vector<std::uint8_t>& bytes, RtlTcpCommand command, std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(command));
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// The protocol's numbers are unsigned 32-bit: a frequency or a rate beyond them cannot be sent.
std::uint32_t ProtocolNumber(double value, std::string_view what) {
    const double rounded = std::round(value);
    if (!(rounded >= 1 && rounded <= std::numeric_limits<std::uint32_t>::max()))
        throw std::invalid_argument("rtl_tcp takes a " + std::string(what) +
                                    " of 1 to 4294967295 Hz, not " + std::to_string(value));
    return static_cast<std::uint32_t>(rounded);
}

std::string SystemReason(int error) {
    return std::strerror(error);
}

} // namespace

RtlTcpAddress ParseRtlTcpAddress(std::string_view text) {
    RtlTcpAddress address;
    std::string_view port = DefaultPort;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            throw std::invalid_argument("no ] after the IPv6 address");
        address.host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (!rest.starts_with(':'))
                throw std::invalid_argument("a : and the port go after ]");
            port = rest.substr(1);
        }
    } else {
        const std::size_t colon = text.find(':');
        if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos)
            throw std::invalid_argument("an IPv6 address goes in brackets: [::1]:1234");
        address.host = text.substr(0, colon);
        if (colon != std::string_view::npos)
            port = text.substr(colon + 1);
    }
    if (address.host.empty())
        throw std::invalid_argument("no host before the port");
    unsigned number = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (error != std::errc() || end != port.data() + port.size() || number < 1 || number > 65535)
        throw std::invalid_argument("the port is a number from 1 to 65535, not \"" +
                                    std::string(port) + "\"");
    address.port = port;
    return address;
}

std::size_t RtlTcpHeader::Take(std::span<const std::uint8_t> bytes) {
    std::size_t taken = 0;
    while (taken < bytes.size() && filled_ < Size && refusal_.empty()) {
        const std::uint8_t byte = bytes[taken++];
        // The magic is checked byte by byte: a server that speaks first in another protocol
        // (SSH, SMTP) is told at its first byte, not after twelve.
        if (filled_ < Magic.size() && byte != static_cast<std::uint8_t>(Magic[filled_])) {
            refusal_ = "not an rtl_tcp server (its first bytes are not \"RTL0\")";
            return taken;
        }
        bytes_[filled_++] = byte;
    }
    return taken;
}

std::uint32_t RtlTcpHeader::tuner() const {
    return BigEndian(bytes_.data() + 4);
}

std::uint32_t RtlTcpHeader::gainCount() const {
    return BigEndian(bytes_.data() + 8);
}

std::string_view RtlTcpHeader::tunerName() const {
    return tuner() < TunerNames.size() ? TunerNames[tuner()] : TunerNames[0];
}

std::vector<std::uint8_t> RtlTcpCommands(const RadioTuning& tuning) {
    std::vector<std::uint8_t> bytes;
    AppendCommand(bytes, RtlTcpCommand::SampleRate,
                  ProtocolNumber(tuning.sampleRate, "sample rate"));
    AppendCommand(bytes, RtlTcpCommand::Frequency, ProtocolNumber(tuning.centerHz, "frequency"));
    AppendCommand(bytes, RtlTcpCommand::GainMode, tuning.gainDb ? 1 : 0);
    if (tuning.gainDb) {
        const long tenths = std::lround(*tuning.gainDb * 10);
        AppendCommand(bytes, RtlTcpCommand::Gain, static_cast<std::uint32_t>(tenths));
    }
    // The chip's own gain control moves the level of the whole band under the squelch, which
    // follows each channel's noise floor; a client before may have left it on.
    AppendCommand(bytes, RtlTcpCommand::Agc, 0);
    return bytes;
}

struct RtlTcpSource::Addresses {
    std::vector<std::pair<sockaddr_storage, socklen_t>> list;
    std::size_t next = 0; // the one the next try connects to
};

RtlTcpSource::RtlTcpSource(std::string_view address, const RadioTuning& tuning,
                           LiveRadioSettings settings)
    : name_("rtl_tcp " + std::string(address)), tuning_(tuning),
      addresses_(std::make_unique<Addresses>()), reconnection_(name_, std::move(settings)),
      buffer_(PieceBytes + 1) {
    const RtlTcpAddress parsed = ParseRtlTcpAddress(address);
    try {
        commands_ = RtlTcpCommands(tuning);
    } catch (const std::invalid_argument& error) {
        throw FileError(name_, error.what());
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int error = ::getaddrinfo(parsed.host.c_str(), parsed.port.c_str(), &hints, &found))
        throw FileError(name_, ::gai_strerror(error));
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        sockaddr_storage storage{};
        std::memcpy(&storage, a->ai_addr, a->ai_addrlen);
        addresses_->list.emplace_back(storage, a->ai_addrlen);
    }
    ::freeaddrinfo(found);
}

RtlTcpSource::~RtlTcpSource() {
    Close();
}

void RtlTcpSource::Close() {
    if (socket_ >= 0)
        ::close(socket_);
    socket_ = -1;
    state_ = State::Closed;
    header_ = {};
    carry_.reset();
}

void RtlTcpSource::Drop(const std::string& reason) {
    const bool streaming = state_ == State::Streaming;
    Close();
    addresses_->next = 0;
    if (streaming)
        reconnection_.Lost(reason);
    else
        reconnection_.Failed(reason);
}

// Starts connecting to the next address; when every address has refused at once, the try has
// failed.
void RtlTcpSource::Connect() {
    while (addresses_->next < addresses_->list.size()) {
        const auto& [address, length] = addresses_->list[addresses_->next++];
        socket_ = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (socket_ < 0) {
            connectError_ = SystemReason(errno);
            continue;
        }
        since_ = Clock::now();
        if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address), length) == 0 ||
            errno == EINPROGRESS) {
            state_ = State::Connecting;
            return;
        }
        connectError_ = SystemReason(errno);
        ::close(socket_);
        socket_ = -1;
    }
    Drop(connectError_);
}

bool RtlTcpSource::SendCommands() {
    const ssize_t sent = ::send(socket_, commands_.data(), commands_.size(), MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(commands_.size()))
        return true;
    Drop(sent < 0 ? SystemReason(errno) : "the server took only part of the commands");
    return false;
}

// Waits until `until` for the connection to be made; false while it is still being made.
bool RtlTcpSource::FinishConnect(Clock::time_point until) {
    pollfd poll{socket_, POLLOUT, 0};
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
    if (::poll(&poll, 1, static_cast<int>(std::max<long>(0, wait.count()))) <= 0) {
        if (Clock::now() - since_ <
            std::chrono::duration<double>(reconnection_.settings().silenceSeconds))
            return false;
        connectError_ = SystemReason(ETIMEDOUT);
    } else {
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error == 0) {
            state_ = State::Header;
            since_ = Clock::now();
            return SendCommands();
        }
        connectError_ = SystemReason(error);
    }
    ::close(socket_);
    socket_ = -1;
    state_ = State::Closed;
    if (addresses_->next < addresses_->list.size())
        Connect();
    else
        Drop(connectError_);
    return true;
}

// What came within the wait: whole pairs of samples, possibly none.
std::span<const char> RtlTcpSource::Receive(Clock::time_point until) {
    pollfd poll{socket_, POLLIN, 0};
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
    if (::poll(&poll, 1, static_cast<int>(std::max<long>(0, wait.count()))) <= 0) {
        const double silence = reconnection_.settings().silenceSeconds;
        if (Clock::now() - since_ >= std::chrono::duration<double>(silence)) {
            Drop(state_ == State::Header
                     ? "no rtl_tcp header " + SecondsText(silence) +
                           " after connecting (rtl_tcp serves one client at a time)"
                     : "no samples for " + SecondsText(silence));
        }
        return {};
    }
    const ssize_t got = ::recv(socket_, buffer_.data() + 1, buffer_.size() - 1, 0);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        Drop(got == 0 ? "the server closed the connection" : SystemReason(errno));
        return {};
    }
    if (got < 0)
        return {};
    since_ = Clock::now();
    std::size_t start = 1;
    const std::size_t end = 1 + static_cast<std::size_t>(got);
    if (state_ == State::Header) {
        start += header_.Take(std::span(reinterpret_cast<const std::uint8_t*>(buffer_.data()) + 1,
                                        static_cast<std::size_t>(got)));
        if (!header_.refusal().empty()) {
            const std::string refusal = header_.refusal();
            Close();
            throw FileError(name_, refusal);
        }
        if (!header_.whole())
            return {};
        state_ = State::Streaming;
        reconnection_.Reached();
    } else if (carry_) {
        buffer_[0] = *carry_;
        start = 0;
    }
    const std::size_t pairBytes = (end - start) & ~std::size_t{1};
    carry_.reset();
    if (start + pairBytes < end)
        carry_ = buffer_[start + pairBytes];
    return {buffer_.data() + start, pairBytes};
}

std::optional<std::span<const char>> RtlTcpSource::Read() {
    const Clock::time_point until = Clock::now() + PieceWait;
    for (;;) {
        switch (state_) {
        case State::Closed:
            if (reconnection_.Due()) {
                Connect();
                break;
            }
            if (Clock::now() >= until)
                return std::span<const char>();
            std::this_thread::sleep_for(
                std::min<Clock::duration>(reconnection_.UntilDue(), until - Clock::now()));
            break;
        case State::Connecting:
            if (!FinishConnect(until))
                return std::span<const char>();
            break;
        case State::Header:
        case State::Streaming:
            if (const std::span<const char> samples = Receive(until); !samples.empty())
                return samples;
            if (Clock::now() >= until)
                return std::span<const char>();
            break;
        }
    }
}

} // namespace vantrel
