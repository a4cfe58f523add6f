// A bit text followed as it arrives, each record handed out as soon as it is final: when the
// next pattern arrives, or when no characters have come for a moment. vantrel-demod's marked
// text has its marks read as they come: a transmission's records are final at its mark and
// carry what the mark says was heard.
#pragma once

#include "live_records.h"
#include "transmission_marks.h"

#include <chrono>
#include <string>
#include <string_view>

namespace vantrel {

class LiveText {
public:
    using Clock = std::chrono::steady_clock;
    // How long a bit text may pause before its open record is final.
    static constexpr Clock::duration BitPause = std::chrono::milliseconds(900);

    // `marked`: the text is vantrel-demod's, with mark lines.
    LiveText(const RecordEvents& events, bool marked);
    LiveText(const LiveText&) = delete;
    LiveText& operator=(const LiveText&) = delete;

    // The next bytes of the text.
    void Add(std::string_view bytes, Clock::time_point now = Clock::now());
    // Nothing came for a while: a record (or block) that has had no characters for `BitPause`
    // is made final with those there are.
    void Quiet(Clock::time_point now = Clock::now());
    // The text starts again from its first byte (the file shrank or was replaced).
    void Restart();
    // The text has ended: the last record is finished.
    void Finish();

private:
    void FeedBits(std::string_view bits, Clock::time_point now);
    void FeedMarkedText(std::string_view bytes, Clock::time_point now);
    void MarkedTransmissionEnded(const TransmissionMark& mark);
    void FeedMarkedBits();

    LiveRecords live_;
    bool marked_;
    Clock::time_point lastBits_{};
    std::string bits_; // joined bits of one piece

    MarkLineBlanker marks_;
    std::string markedText_; // the piece being blanked
    std::string markedBits_; // the bits of the marked transmission going on
};

} // namespace vantrel
