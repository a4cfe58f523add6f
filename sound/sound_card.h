// A live sound card as a source of samples, through the sound server every desktop Debian runs
// (PulseAudio, or PipeWire with its PulseAudio service). Nothing else knows the server.
#pragma once

#include "sample_source.h"

#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace vantrel {

class SoundCard : public SampleSource {
public:
    // Records mono float samples at `sampleRate` from the source `name` (as `pactl list short
    // sources` names it; a sink's ".monitor" records what it plays). Throws FileError naming
    // the device with the server's reason when it does not exist, is busy or no server runs.
    SoundCard(const std::string& name, int sampleRate);
    ~SoundCard() override;
    SoundCard(const SoundCard&) = delete;
    SoundCard& operator=(const SoundCard&) = delete;
    SoundCard(SoundCard&&) = delete;
    SoundCard& operator=(SoundCard&&) = delete;

    // Waits for the next tenth of a second of sound (a blocking read: silence costs no
    // processor time); a sound card never ends. Throws FileError when the device goes away.
    std::optional<std::span<const float>> Read() override;

    // The wall-clock time of the first sample, once Read has given one: when that read
    // returned, less the sound it gave (the server's latency of a few milliseconds aside).
    // Times in the sound are counted in samples from there.
    std::optional<std::chrono::system_clock::time_point> clockStart() const { return clockStart_; }

    const std::string& name() const override { return name_; }
    int sampleRate() const override { return sampleRate_; }
    bool endedEarly() const override { return false; }

private:
    struct Connection;
    std::string name_;
    int sampleRate_;
    std::unique_ptr<Connection> connection_;
    std::optional<std::chrono::system_clock::time_point> clockStart_;
};

} // namespace vantrel
