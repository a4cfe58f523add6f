// What follow mode does with its input as it arrives: a bit text joined and decoded, or sound
// (a growing WAV, a pipe of WAV or raw PCM, a sound card) demodulated and decoded, each record
// handed out as soon as it is final. A sound record is final when its transmission ends and
// carries where and when that transmission was heard; a bit-text record when the next pattern
// arrives, or when no characters have come for a moment.
#pragma once

#include "demodulate_sound.h"
#include "record_maker.h"
#include "sound_stream.h"
#include "transmission_marks.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class LiveDecode {
public:
    using Clock = std::chrono::steady_clock;
    // How long a bit text may pause before its open record is final.
    static constexpr Clock::duration BitPause = std::chrono::milliseconds(900);

    // `name` is the input's name in messages.
    LiveDecode(std::string name, const RecordEvents& events, const FollowSound& sound);
    LiveDecode(const LiveDecode&) = delete;
    LiveDecode& operator=(const LiveDecode&) = delete;

    // The next bytes of a followed file or pipe: sound or bit text, as its first bytes tell
    // (or --raw). Throws FileError when they are sound that cannot be followed.
    void AddBytes(std::string_view bytes, Clock::time_point now = Clock::now());
    // The next samples of a sound card.
    void AddSamples(std::span<const float> samples, int sampleRate);
    // Nothing came for a while: a bit text's record (or block) that has had no characters for
    // `BitPause` is made final with those there are.
    void Quiet(Clock::time_point now = Clock::now());
    // The file starts again from its first byte (it shrank or was replaced), or a sound card
    // is opened again: what was on the air is finished first.
    void Restart();
    // The input has ended: the last record is finished.
    void Finish();

private:
    enum class Kind { Unknown, BitText, Sound };
    void Decide(bool atEnd, Clock::time_point now);
    void FeedBits(std::string_view bits, Clock::time_point now);
    void FeedMarkedText(std::string_view bytes, Clock::time_point now);
    void MarkedTransmissionEnded(const TransmissionMark& mark);
    void FeedMarkedBits();
    void FeedSamples(std::span<const float> samples, int sampleRate);
    void TransmissionEnded(const HeardTransmission& heard);
    void EndSound();

    std::string name_;
    FollowSound sound_;
    FieldJoiner joiner_;
    RecordMaker maker_;
    modETSI300230::StreamDecoder decoder_;
    Kind kind_ = Kind::Unknown;
    std::string firstBytes_; // until the kind is known
    Clock::time_point lastBits_{};
    std::string bits_; // joined bits of one piece, or a transmission's bits until it ends

    bool marked_ = false; // vantrel-demod's text, with mark lines
    MarkLineBlanker marks_;
    std::string marked_text_; // the piece being blanked
    std::string markedBits_;  // the bits of the marked transmission going on

    std::optional<SoundStream> stream_;
    std::vector<float> samples_;
    std::optional<SoundDemodulator> demodulator_;
    std::uint64_t samplesFed_ = 0; // at the end of the piece being demodulated
    std::chrono::system_clock::time_point pieceTime_{};
    std::optional<HeardTransmission> heard_; // the transmission being decoded
    std::string heardUtc_;
    std::uint64_t bitsFed_ = 0; // demodulated bits handed to the decoder
};

} // namespace vantrel
