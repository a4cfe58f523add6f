// A live sound card as a source of samples, through the sound server every desktop Debian runs
// (PulseAudio, or PipeWire with its PulseAudio service). Nothing else knows the server.
#pragma once

#include <memory>
#include <span>
#include <string>

namespace vantrel {

class SoundCard {
public:
    // Records mono float samples at `sampleRate` from the source `name` (as `pactl list short
    // sources` names it; a sink's ".monitor" records what it plays). Throws FileError naming
    // the device with the server's reason when it does not exist, is busy or no server runs.
    SoundCard(const std::string& name, int sampleRate);
    ~SoundCard();
    SoundCard(const SoundCard&) = delete;
    SoundCard& operator=(const SoundCard&) = delete;

    // Waits for the next tenth of a second of sound (a blocking read: silence costs no
    // processor time). Throws FileError when the device goes away.
    std::span<const float> Read();

    const std::string& name() const { return name_; }
    int sampleRate() const { return sampleRate_; }

private:
    struct Connection;
    std::string name_;
    int sampleRate_;
    std::unique_ptr<Connection> connection_;
};

} // namespace vantrel
