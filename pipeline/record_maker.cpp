#include "record_maker.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace vantrel {

using modETSI300230::BlockInfo;
using modETSI300230::StreamDecoder;
using modETSI300230::StreamEvents;
using modETSI300230::SyncFinder;

StreamEvents RecordMaker::Events() {
    StreamEvents events;
    events.details = recordEvents_.details;
    if (!recordEvents_.trailers)
        events.logging = modETSI300230::BlockLogging::Skipped;
    events.blockStart = [this](std::int64_t number, SyncFinder::Hit sync, const BlockInfo& info,
                               std::string_view head, const modETSI300230::BlockDetail* detail) {
        record_.number = number;
        record_.info = info;
        record_.noPattern = false;
        record_.fec = sync.fec;
        record_.syncBit = sync.position;
        record_.place = joiner_.PlaceOf(sync.position);
        record_.logHead = head;
        record_.detail = detail != nullptr ? *detail : modETSI300230::BlockDetail{};
        record_.finalTime.clear();
        record_.heard = heardAt_ ? heardAt_(sync.position) : std::nullopt;
        if (recordEvents_.recordStart)
            recordEvents_.recordStart(record_);
    };
    if (recordEvents_.trailers && recordEvents_.trailer)
        events.trailer = recordEvents_.trailer;
    events.recordEnd = [this] {
        if (stampTime_)
            record_.finalTime = UtcNow();
        if (recordEvents_.recordEnd)
            recordEvents_.recordEnd(record_);
    };
    events.noPatternLeft = [this](std::int64_t first, std::int64_t last, std::string_view head,
                                  std::uint64_t tailFrom) {
        // A block decoded since the last trim moved the tail; its marks are all still kept.
        noPattern_ = {first, last, std::string(head), tailFrom,
                      tailFrom == tailFrom_ ? tailMark_ : joiner_.MarkFor(tailFrom)};
    };
    return events;
}

void RecordMaker::Trim(const StreamDecoder& decoder) {
    if (decoder.TailFrom() != tailFrom_) {
        tailFrom_ = decoder.TailFrom();
        tailMark_ = joiner_.MarkFor(tailFrom_);
    }
    joiner_.DropMarksBefore(decoder.EarliestFutureSync());
}

std::string UtcNow() {
    return UtcText(std::chrono::system_clock::now());
}

std::string UtcText(std::chrono::system_clock::time_point now) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
}

} // namespace vantrel
