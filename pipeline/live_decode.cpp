#include "live_decode.h"

#include "audio_file.h"
#include "file_error.h"

#include <cmath>

namespace vantrel {

using modETSI300230::StreamDecoder;
using modETSI300230::StreamEvents;
using modETSI300230::SyncRule;

namespace {

// How many first bytes tell sound from a bit text, and a marked text from a plain one.
constexpr std::size_t KindBytes = MarksHeader.size() + 1;

StreamEvents FollowEvents(RecordMaker& maker) {
    StreamEvents events = maker.Events();
    events.noPatternLeft = nullptr;
    return events;
}

} // namespace

LiveDecode::LiveDecode(std::string name, const RecordEvents& events, const FollowSound& sound)
    : name_(std::move(name)), sound_(sound), joiner_(true), maker_(events, joiner_, true),
      decoder_(SyncRule::Arrival, std::nullopt, -1, FollowEvents(maker_)) {
    maker_.HeardFrom([this](std::uint64_t bit) -> std::optional<HeardInfo> {
        if (!heard_)
            return std::nullopt;
        HeardInfo info;
        info.seconds = std::round(HeardSeconds(*heard_, bit) * 1000.0) / 1000.0;
        info.levelDbfs = heard_->levelDbfs;
        info.ebN0Db = heard_->ebN0Db;
        info.utc = heardUtc_;
        return info;
    });
    if (sound_.rawSampleRate != 0) {
        kind_ = Kind::Sound;
        stream_ = SoundStream::Raw(sound_.rawSampleRate);
    }
}

void LiveDecode::Decide(bool atEnd, Clock::time_point now) {
    if (kind_ != Kind::Unknown || (firstBytes_.size() < KindBytes && !atEnd))
        return;
    kind_ = LooksLikeAudio(firstBytes_) ? Kind::Sound : Kind::BitText;
    marked_ = kind_ == Kind::BitText && StartsMarked(firstBytes_);
    if (kind_ == Kind::Sound)
        stream_ = SoundStream::Wav();
    const std::string held = std::move(firstBytes_);
    firstBytes_.clear();
    AddBytes(held, now);
}

void LiveDecode::AddBytes(std::string_view bytes, Clock::time_point now) {
    if (bytes.empty())
        return;
    switch (kind_) {
    case Kind::Unknown:
        firstBytes_.append(bytes);
        Decide(false, now);
        return;
    case Kind::BitText:
        if (marked_) {
            FeedMarkedText(bytes, now);
            return;
        }
        bits_.clear();
        joiner_.Join(bytes, bits_);
        FeedBits(bits_, now);
        return;
    case Kind::Sound:
        samples_.clear();
        if (!stream_->Add(bytes, samples_))
            throw FileError(name_, stream_->problem());
        FeedSamples(samples_, stream_->sampleRate());
        return;
    }
}

void LiveDecode::AddSamples(std::span<const float> samples, int sampleRate) {
    kind_ = Kind::Sound;
    FeedSamples(samples, sampleRate);
}

void LiveDecode::FeedBits(std::string_view bits, Clock::time_point now) {
    if (bits.empty())
        return;
    lastBits_ = now;
    decoder_.Feed(bits);
    maker_.Trim(decoder_);
}

// vantrel-demod's marked text: the mark lines are blanked out of the bits, and a
// transmission's bits are held until its mark, which follows them, so that its records carry
// what the mark says was heard and are final at once.
void LiveDecode::FeedMarkedText(std::string_view bytes, Clock::time_point now) {
    marked_text_.assign(bytes);
    std::size_t joined = 0;
    const auto join = [&](std::size_t to) {
        joiner_.Join(std::string_view(marked_text_).substr(joined, to - joined), markedBits_);
        joined = to;
        lastBits_ = now;
    };
    marks_.Blank(marked_text_.data(), marked_text_.size(),
                 [&](std::string_view line, std::size_t end) {
                     join(end);
                     if (const std::optional<TransmissionMark> mark = ParseTransmissionMark(line))
                         MarkedTransmissionEnded(*mark);
                 });
    join(marked_text_.size());
}

void LiveDecode::MarkedTransmissionEnded(const TransmissionMark& mark) {
    heard_ =
        HeardTransmission{bitsFed_,       markedBits_.size(), mark.startSeconds, mark.endSeconds,
                          mark.levelDbfs, mark.ebN0Db,        mark.inverted,     false};
    FeedMarkedBits();
    decoder_.EndTransmission(bitsFed_);
    decoder_.EndRecord();
    maker_.Trim(decoder_);
    heard_.reset();
}

void LiveDecode::FeedMarkedBits() {
    bitsFed_ += markedBits_.size();
    decoder_.Feed(markedBits_);
    maker_.Trim(decoder_);
    markedBits_.clear();
}

void LiveDecode::FeedSamples(std::span<const float> samples, int sampleRate) {
    if (samples.empty())
        return;
    if (demodulator_ && demodulator_->sampleRate() != sampleRate)
        EndSound();
    if (!demodulator_) {
        demodulator_.emplace(
            sampleRate, sound_.polarity,
            DemodulationEvents{
                [this](std::string_view bits) { bits_.append(bits); },
                [this](const HeardTransmission& heard) { TransmissionEnded(heard); }});
        samplesFed_ = 0;
    }
    samplesFed_ += samples.size();
    pieceTime_ = std::chrono::system_clock::now();
    demodulator_->Feed(samples);
}

// A transmission's bits are held until it ends, so that its records carry when it began; the
// demodulator holds them as long anyway while it decides the polarity.
void LiveDecode::TransmissionEnded(const HeardTransmission& heard) {
    heard_ = heard;
    heard_->firstBit = bitsFed_;
    // The end of the piece being demodulated is now; the transmission began that much earlier.
    const double agoSeconds =
        static_cast<double>(samplesFed_) / demodulator_->sampleRate() - heard.startSeconds;
    heardUtc_ =
        UtcText(pieceTime_ - std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                 std::chrono::duration<double>(agoSeconds)));
    bitsFed_ += bits_.size();
    decoder_.Feed(bits_);
    bits_.clear();
    decoder_.EndRecord();
    maker_.Trim(decoder_);
    heard_.reset();
}

void LiveDecode::EndSound() {
    if (demodulator_)
        demodulator_->Finish();
    demodulator_.reset();
}

void LiveDecode::Quiet(Clock::time_point now) {
    // A block may wait for characters its header does not announce: one more codeword could
    // still belong to it. A pause ends that wait too.
    if (kind_ == Kind::BitText && !markedBits_.empty() && now - lastBits_ >= BitPause)
        FeedMarkedBits(); // bits with no mark after them: a cut pipe
    if (kind_ == Kind::BitText && (decoder_.RecordOpen() || decoder_.BlockWaiting()) &&
        now - lastBits_ >= BitPause) {
        decoder_.EndRecord();
        maker_.Trim(decoder_);
    }
}

void LiveDecode::Restart() {
    if (kind_ == Kind::BitText) {
        joiner_.Restart();
        return;
    }
    EndSound();
    if (stream_)
        stream_ =
            sound_.rawSampleRate != 0 ? SoundStream::Raw(sound_.rawSampleRate) : SoundStream::Wav();
}

void LiveDecode::Finish() {
    Decide(true, Clock::now());
    FeedMarkedBits();
    EndSound();
    decoder_.Finish();
}

} // namespace vantrel
