// A live radio served by rtl_tcp: the one file that knows its protocol and the socket it comes
// through. The server opens with a 12-byte header ("RTL0", its tuner, how many gains the tuner
// has, both numbers big-endian), then sends unsigned 8-bit I/Q pairs for as long as the
// connection stays; the client tunes it with commands of five bytes (a command byte and a
// big-endian 32-bit value). The server keeps its settings from one client to the next, so every
// connection is sent all of them again.
#pragma once

#include "iq_source.h"
#include "live_radio.h"
#include "reconnection.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// "HOST:PORT" as --rtl-tcp takes it ("[::1]:1234" for an IPv6 address); HOST alone is port
// 1234, where rtl_tcp listens unless told otherwise.
struct RtlTcpAddress {
    std::string host;
    std::string port;
};

// Throws std::invalid_argument with one line saying what is wrong.
RtlTcpAddress ParseRtlTcpAddress(std::string_view text);

// The server's header, read from pieces of any size.
class RtlTcpHeader {
public:
    static constexpr std::size_t Size = 12;

    // Takes bytes from the front of `bytes` until the header is whole and returns how many it
    // took. Once the bytes show the peer is no rtl_tcp server, takes nothing more and
    // refusal() says why.
    std::size_t Take(std::span<const std::uint8_t> bytes);

    bool whole() const { return filled_ == Size && refusal_.empty(); }
    const std::string& refusal() const { return refusal_; }
    std::uint32_t tuner() const;
    std::uint32_t gainCount() const;
    // The tuner's name as rtl_tcp numbers them, "unknown" for a number it does not.
    std::string_view tunerName() const;

private:
    std::array<std::uint8_t, Size> bytes_{};
    std::size_t filled_ = 0;
    std::string refusal_;
};

// The commands this program sends, in the order it sends them.
enum class RtlTcpCommand : std::uint8_t {
    Frequency = 0x01,  // Hz
    SampleRate = 0x02, // pairs a second
    GainMode = 0x03,   // 0 automatic, 1 manual
    Gain = 0x04,       // tenths of a dB
    Agc = 0x08,        // the demodulator chip's own gain control: 0 off
};

// Every command that tunes the server as `tuning` asks, as the bytes sent. Throws
// std::invalid_argument for a frequency or rate beyond the protocol's 32 bits.
std::vector<std::uint8_t> RtlTcpCommands(const RadioTuning& tuning);

class RtlTcpSource : public IqSource {
public:
    // Throws FileError when HOST cannot be resolved or the tuning is beyond the protocol's
    // numbers; std::invalid_argument when `address` is not HOST:PORT. Connects on the first
    // Read.
    RtlTcpSource(std::string_view address, const RadioTuning& tuning, LiveRadioSettings settings);
    ~RtlTcpSource() override;
    RtlTcpSource(const RtlTcpSource&) = delete;
    RtlTcpSource& operator=(const RtlTcpSource&) = delete;
    RtlTcpSource(RtlTcpSource&&) = delete;
    RtlTcpSource& operator=(RtlTcpSource&&) = delete;

    // Samples as they come, an empty piece after a tenth of a second without any; never ends.
    // Connects, and reconnects when the server goes away. Throws FileError when the server
    // cannot be reached at the start (unless the run waits for it) or is no rtl_tcp server.
    std::optional<std::span<const char>> Read() override;

    channelizer::IqFormat format() const override { return channelizer::IqFormat::U8; }
    double sampleRate() const override { return tuning_.sampleRate; }
    std::optional<double> centerHz() const override { return tuning_.centerHz; }
    const std::string& name() const override { return name_; }
    std::uint64_t breaks() const override { return reconnection_.breaks(); }

private:
    using Clock = std::chrono::steady_clock;
    enum class State { Closed, Connecting, Header, Streaming };

    void Connect();
    bool FinishConnect(Clock::time_point until);
    std::span<const char> Receive(Clock::time_point until);
    bool SendCommands();
    void Drop(const std::string& reason);
    void Close();

    std::string name_;
    RadioTuning tuning_;
    std::vector<std::uint8_t> commands_;
    struct Addresses;
    std::unique_ptr<Addresses> addresses_;
    Reconnection reconnection_;
    State state_ = State::Closed;
    int socket_ = -1;
    std::string connectError_; // the last address's reason while others are tried
    Clock::time_point since_;  // the connection began, or its last bytes came
    RtlTcpHeader header_;
    // Received bytes from buffer_[1] on; buffer_[0] takes the I of a pair cut at the end of
    // the last piece (carry_), so that every piece handed out holds whole pairs.
    std::vector<char> buffer_;
    std::optional<char> carry_;
};

} // namespace vantrel
