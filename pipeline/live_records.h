// What follow mode's decodes share, whatever arrives: the decoder taking the patterns in the
// order they arrive, and the records it makes, each stamped when it became final and, when the
// transmission it was heard in is known, with where and when that was.
#pragma once

#include "field_joiner.h"
#include "record_maker.h"
#include "recording.h"
#include "stream_decoder.h"
#include "transmission_map.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

struct LiveRecords {
    explicit LiveRecords(const RecordEvents& events)
        : maker(events, joiner, true),
          decoder(modETSI300230::SyncRule::Arrival, std::nullopt, -1, FollowEvents(maker)) {
        maker.HeardFrom([this](std::uint64_t bit) -> std::optional<HeardInfo> {
            if (!heard)
                return std::nullopt;
            HeardInfo info = HeardIn(*heard, bit, clockStart);
            if (!clockStart)
                info.utc = heardUtc;
            return info;
        });
    }
    // The maker and the decoder point at the joiner and at each other.
    LiveRecords(const LiveRecords&) = delete;
    LiveRecords& operator=(const LiveRecords&) = delete;

    FieldJoiner joiner{true};
    RecordMaker maker;
    modETSI300230::StreamDecoder decoder;
    std::optional<HeardTransmission> heard; // the transmission being decoded, when known
    // When the stream began by the clock, when its text says (the header of vantrel-demod's
    // output): each block is then heard at that time and its seconds, as a whole-file run
    // reads the same text.
    std::optional<std::int64_t> clockStart;
    std::string heardUtc;      // else, live sound: when the transmission began by the clock
    std::uint64_t bitsFed = 0; // bits of whole transmissions handed to the decoder

private:
    // Records after the last decodable block are not written live: their count is not known
    // until the input ends.
    static modETSI300230::StreamEvents FollowEvents(RecordMaker& maker) {
        modETSI300230::StreamEvents events = maker.Events();
        events.noPatternLeft = nullptr;
        return events;
    }
};

} // namespace vantrel
