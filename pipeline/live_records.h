// What follow mode's decodes share, whatever arrives: the decoder taking the patterns in the
// order they arrive, and the records it makes, each stamped when it became final and, when the
// transmission it was heard in is known, with where and when that was.
#pragma once

#include "field_joiner.h"
#include "record_maker.h"
#include "stream_decoder.h"
#include "transmission_map.h"

#include <cmath>
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
            HeardInfo info;
            info.seconds = std::round(HeardSeconds(*heard, bit) * 1000.0) / 1000.0;
            info.levelDbfs = heard->levelDbfs;
            info.ebN0Db = heard->ebN0Db;
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
    std::string heardUtc;                   // when it began by the clock, when known
    std::uint64_t bitsFed = 0;              // bits of whole transmissions handed to the decoder

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
