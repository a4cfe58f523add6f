// A capture as the band decoder reads it: raw IQ in the format the user names, or an SDR
// program's WAV, from bytes that arrive piece by piece: a file or pipe read once
// (CaptureBytes), or a file followed as a receiver program writes it. What the capture says
// of itself (a WAV's rate, its auxi centre, the centre in its name) is read here; what the
// user gives wins.
#pragma once

#include "iq_source.h"
#include "iq_wav.h"

#include <csignal>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

struct CaptureLayout {
    std::optional<channelizer::IqFormat> raw; // raw IQ in this format; nothing: a WAV
    double sampleRate = 0;                    // raw IQ: the rate the user gives
    std::optional<double> centreHz;           // the centre the user gives, over the file's
};

class IqCapture : public IqSource {
public:
    // The next bytes: empty when none came for a moment (a followed file, which waits a tenth
    // of a second for them first), nothing at the end.
    using ArrivingBytes = std::function<std::optional<std::string_view>()>;

    // A WAV's header is read first, waited for while `stop` is clear (ready() tells whether it
    // came). Throws FileError naming `name` when the bytes are not an IQ WAV, or end before
    // its header does.
    IqCapture(std::string name, const CaptureLayout& layout, ArrivingBytes bytes,
              const volatile std::sig_atomic_t* stop = nullptr);

    std::optional<std::span<const char>> Read() override;
    channelizer::IqFormat format() const override { return format_; }
    double sampleRate() const override { return sampleRate_; }
    // The user's centre, else the auxi chunk's, else the one in the file's name.
    std::optional<double> centerHz() const override { return centreHz_; }
    const std::string& name() const override { return name_; }

    // The header is read (raw IQ has none): false only when the run was stopped first.
    bool ready() const { return ready_; }
    // The capture's length in seconds when known ahead: a WAV's announced samples, or raw IQ of
    // `rawBytes` (a regular file's size).
    std::optional<double> SecondsAhead(std::optional<std::uint64_t> rawBytes) const;
    // Known once Read has given nothing: the WAV's samples ended before the length its header
    // announced.
    bool endedEarly() const { return ended_ && announced_ && dataRead_ < *announced_; }
    std::optional<std::uint64_t> announcedBytes() const { return announced_; }
    std::uint64_t bytesRead() const { return dataRead_; }

private:
    void ReadHeader(const volatile std::sig_atomic_t* stop);
    std::span<const char> Taken(std::string_view piece);

    std::string name_;
    ArrivingBytes bytes_;
    channelizer::IqFormat format_ = channelizer::IqFormat::U8;
    double sampleRate_ = 0;
    std::optional<double> centreHz_;
    bool ready_ = true;
    std::string header_; // a WAV's first bytes, until its samples begin; then those after it
    std::size_t headerSamples_ = 0; // where the samples start in header_
    bool headerOut_ = true;
    std::optional<std::uint64_t> announced_; // sample bytes a WAV header announces
    std::uint64_t dataRead_ = 0;
    bool ended_ = false;
};

} // namespace vantrel
