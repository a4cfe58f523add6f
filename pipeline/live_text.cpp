#include "live_text.h"

#include "start_time.h"

namespace vantrel {

LiveText::LiveText(const RecordEvents& events, bool marked) : live_(events), marked_(marked) {}

void LiveText::Add(std::string_view bytes, Clock::time_point now) {
    if (bytes.empty())
        return;
    if (marked_) {
        FeedMarkedText(bytes, now);
        return;
    }
    bits_.clear();
    live_.joiner.Join(bytes, bits_);
    FeedBits(bits_, now);
}

void LiveText::FeedBits(std::string_view bits, Clock::time_point now) {
    if (bits.empty())
        return;
    lastBits_ = now;
    live_.decoder.Feed(bits);
    live_.maker.Trim(live_.decoder);
}

// The mark lines are blanked out of the bits, and a transmission's bits are held until its
// mark, which follows them, so that its records carry what the mark says was heard and are
// final at once.
void LiveText::FeedMarkedText(std::string_view bytes, Clock::time_point now) {
    markedText_.assign(bytes);
    std::size_t joined = 0;
    const auto join = [&](std::size_t to) {
        live_.joiner.Join(std::string_view(markedText_).substr(joined, to - joined), markedBits_);
        joined = to;
        lastBits_ = now;
    };
    marks_.Blank(markedText_.data(), markedText_.size(),
                 [&](std::string_view line, std::size_t end) {
                     join(end);
                     if (const std::optional<TransmissionMark> mark = ParseTransmissionMark(line))
                         MarkedTransmissionEnded(*mark);
                     else if (const std::optional<std::string> time = HeaderStartTime(line))
                         live_.clockStart = ParseIsoTime(*time);
                 });
    join(markedText_.size());
}

void LiveText::MarkedTransmissionEnded(const TransmissionMark& mark) {
    live_.heard = MarkedTransmission(mark, live_.bitsFed, markedBits_.size());
    FeedMarkedBits();
    live_.decoder.EndTransmission(live_.bitsFed);
    live_.decoder.EndRecord();
    live_.maker.Trim(live_.decoder);
    live_.heard.reset();
}

void LiveText::FeedMarkedBits() {
    live_.bitsFed += markedBits_.size();
    live_.decoder.Feed(markedBits_);
    live_.maker.Trim(live_.decoder);
    markedBits_.clear();
}

void LiveText::Quiet(Clock::time_point now) {
    if (now - lastBits_ < BitPause)
        return;
    if (!markedBits_.empty())
        FeedMarkedBits(); // bits with no mark after them: a cut pipe
    // A block may wait for characters its header does not announce: one more codeword could
    // still belong to it. A pause ends that wait too.
    if (live_.decoder.RecordOpen() || live_.decoder.BlockWaiting()) {
        live_.decoder.EndRecord();
        live_.maker.Trim(live_.decoder);
    }
}

void LiveText::Restart() {
    live_.joiner.Restart();
    live_.clockStart.reset(); // the text's header, if it has one, comes again
}

void LiveText::Finish() {
    FeedMarkedBits();
    live_.decoder.Finish();
}

} // namespace vantrel
