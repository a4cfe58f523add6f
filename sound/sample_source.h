// Sound of any kind as the demodulator takes it: samples of one channel, pulled piece by piece.
// A sound file, a WAV still being written, raw PCM from a pipe and a sound card are each one
// implementation, so every way into the demodulator reads alike, and a new source (a channel of
// a radio band) is one more.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace vantrel {

class SampleSource {
public:
    virtual ~SampleSource() = default;

    // The next samples, in [-1, 1], valid until the next call; nothing once the source has
    // ended. A live source waits for them at most about a tenth of a second and then gives an
    // empty piece, so that whoever reads it sees a stop request or a pause in time. Throws
    // FileError when reading fails.
    virtual std::optional<std::span<const float>> Read() = 0;

    // The rate of the samples; 0 while it is not known yet (a WAV whose header has not come).
    virtual int sampleRate() const = 0;

    // The name in messages: a path, "-", a sound card's source.
    virtual const std::string& name() const = 0;

    // Known once Read has given nothing: the source held less than it announced (a recording
    // cut short, a sample broken off).
    virtual bool endedEarly() const = 0;

protected:
    SampleSource() = default;
    SampleSource(const SampleSource&) = default;
    SampleSource& operator=(const SampleSource&) = default;
    SampleSource(SampleSource&&) = default;
    SampleSource& operator=(SampleSource&&) = default;
};

} // namespace vantrel
