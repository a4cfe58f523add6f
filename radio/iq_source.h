// IQ of a radio as the band decoder takes it: bytes of interleaved I and Q values in one of the
// formats channelizer/iq_samples names, pulled piece by piece. A capture file or pipe, an
// rtl_tcp server and a SoapySDR device are each one implementation, so the band decoder reads
// them alike, as the demodulator reads every SampleSource.
#pragma once

#include "iq_samples.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vantrel {

class IqSource {
public:
    virtual ~IqSource() = default;

    // The next bytes, valid until the next call; nothing once the source has ended. A live
    // source waits for them at most about a tenth of a second and then gives an empty piece,
    // so that whoever reads it sees a stop request in time. Throws FileError when reading fails
    // for good (a live source that reconnects says so through its notice instead).
    virtual std::optional<std::span<const char>> Read() = 0;

    virtual channelizer::IqFormat format() const = 0;
    // Samples (I/Q pairs) per second.
    virtual double sampleRate() const = 0;
    // The frequency at the middle of the capture, in Hz, when the source knows it.
    virtual std::optional<double> centerHz() const = 0;
    // The name in messages: a path, "-", "rtl_tcp HOST:PORT", a SoapySDR device.
    virtual const std::string& name() const = 0;

    // How many times the samples broke off and went on after a gap: a live radio that went
    // away and came back, or that dropped samples. The bytes before and after a break do not
    // join, so whoever reads closes every channel open on the air when this count moves
    // (BandReceiver::Finish) before it feeds the bytes that Read just gave. A source hands out
    // whole I/Q pairs on either side of a break. A capture never breaks.
    virtual std::uint64_t breaks() const { return 0; }

protected:
    IqSource() = default;
    IqSource(const IqSource&) = default;
    IqSource& operator=(const IqSource&) = default;
    IqSource(IqSource&&) = default;
    IqSource& operator=(IqSource&&) = default;
};

} // namespace vantrel
