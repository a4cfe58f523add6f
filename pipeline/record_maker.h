// What the whole-file run and follow mode share: reading an input in pieces, and the
// decoder's events turned into records with their places in the file.
#pragma once

#include "record_stream.h"
#include "stream_decoder.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

inline std::size_t NextPieceSize(const StreamOptions& options) {
    const std::size_t size = options.pieceSizes ? options.pieceSizes() : options.pieceSize;
    return size > 0 ? size : 1;
}

// The events of the decoder turned into records with their places. The joiner's marks are
// dropped as soon as no record can ask for them.
class RecordMaker {
public:
    RecordMaker(const RecordEvents& recordEvents, FieldJoiner& joiner, bool stampTime)
        : recordEvents_(recordEvents), joiner_(joiner), stampTime_(stampTime) {}

    modETSI300230::StreamEvents Events();

    // Sound: where the bit at a sync pattern was heard, asked as each record starts.
    void HeardFrom(std::function<std::optional<HeardInfo>(std::uint64_t bit)> heardAt) {
        heardAt_ = std::move(heardAt);
    }

    // After each piece: the mark of the tail (where the remaining bit string starts) is kept
    // aside, the others only while a record may still ask for them.
    void Trim(const modETSI300230::StreamDecoder& decoder);

    struct NoPattern {
        std::int64_t first = 0;
        std::int64_t last = -1;
        std::string head;
        std::uint64_t tailFrom = 0;
        FieldJoiner::Mark tailMark;
    };
    const NoPattern& noPattern() const { return noPattern_; }

private:
    const RecordEvents& recordEvents_;
    std::function<std::optional<HeardInfo>(std::uint64_t)> heardAt_;
    FieldJoiner& joiner_;
    bool stampTime_;
    StreamRecord record_;
    NoPattern noPattern_;
    std::uint64_t tailFrom_ = 0;
    FieldJoiner::Mark tailMark_;
};

} // namespace vantrel
