// The whole-file run: the records of the report, in its order, from an input read twice.
#include "record_maker.h"
#include "transmission_marks.h"

#include <memory>

namespace vantrel {

namespace {

using modETSI300230::StreamDecoder;
using modETSI300230::SyncCounter;

// The pattern windows the counting pass keeps for the decoding pass, which then searches no
// bits the count has scanned: 8 bytes a window, 8 MB at most. A busy channel has about 2,000
// windows a MB of bit text, so the decode of the first 500 MB or so scans nothing again.
constexpr std::size_t KnownWindowsKept = std::size_t{1} << 20;

// Reads `input` from `offset` to its end in pieces; `take` joins each raw piece with
// `joiner` (wherever it wants the characters) and returns false to stop early.
template <typename Take>
void ReadPieces(const RawInput& input, std::uint64_t offset, const StreamOptions& options,
                std::string_view stage, Take take) {
    std::unique_ptr<char[]> raw;
    std::size_t capacity = 0;
    MarkLineBlanker marks;
    while (offset < input.Size()) {
        const std::size_t want = NextPieceSize(options);
        if (want > capacity) {
            raw.reset(new char[want]);
            capacity = want;
        }
        const std::size_t got = input.ReadAt(offset, raw.get(), want);
        if (got == 0)
            break;
        offset += got;
        if (options.markLines)
            marks.Blank(raw.get(), got);
        if (!take(std::string_view(raw.get(), got)))
            return;
        if (options.progress)
            options.progress({stage, offset, input.Size()});
    }
}

// The same, handing every joined piece to `take`; a piece with nothing to join (a bit text
// without line ends or delimiters) is handed on as it was read, not copied.
template <typename Take>
void JoinPieces(const RawInput& input, std::uint64_t offset, FieldJoiner& joiner,
                const StreamOptions& options, std::string_view stage, Take take) {
    std::string bits;
    ReadPieces(input, offset, options, stage, [&](std::string_view raw) {
        if (joiner.JoinsUnchanged(raw))
            return take(raw);
        bits.clear();
        joiner.Join(raw, bits);
        return take(std::string_view(bits));
    });
}

// Hands the no-pattern records out, each with the tail read again from the input.
void WriteNoPatternRecords(const RawInput& input, const StreamOptions& options,
                           const RecordEvents& events, std::int64_t first, std::int64_t last,
                           std::string_view logHead, const FieldJoiner::Mark& tailMark,
                           std::uint64_t tailFrom) {
    StreamRecord record;
    record.noPattern = true;
    record.logHead = logHead;
    if (events.details) {
        record.detail.noPatternLeft = true;
        record.detail.restPosition = tailFrom;
    }
    for (std::int64_t number = first; number <= last; ++number) {
        record.number = number;
        if (events.recordStart)
            events.recordStart(record);
        if (events.trailers && events.trailer) {
            FieldJoiner joiner = FieldJoiner::ResumeAt(tailMark, tailFrom);
            StreamOptions quiet = options;
            quiet.progress = nullptr;
            JoinPieces(input, joiner.InputOffset(), joiner, quiet, "", [&](std::string_view bits) {
                if (!bits.empty())
                    events.trailer(bits);
                return true;
            });
        }
        if (events.recordEnd)
            events.recordEnd(record);
    }
}

} // namespace

void StreamWhole(const RawInput& input, const StreamOptions& options, const RecordEvents& events) {
    // First pass: the count the report announces, and the last SyncNoFec, which settles
    // which pattern every search of the second pass takes; the pattern windows it met spare
    // the second pass its own search.
    SyncCounter counter(options.order, KnownWindowsKept);
    bool bitCharacters = false;
    {
        FieldJoiner joiner(false);
        JoinPieces(input, 0, joiner, options, "counting", [&](std::string_view bits) {
            counter.Feed(bits);
            if (!bitCharacters)
                bitCharacters = bits.find_first_of("01") != std::string_view::npos;
            return true;
        });
    }
    if (!bitCharacters && events.noBitCharacters)
        events.noBitCharacters();
    if (events.counted)
        events.counted(counter.Count(), counter.FecPassedOver());

    // Marks serve the records' places and the shared tail, which is read again only for
    // its trailer.
    FieldJoiner joiner(events.places || events.trailers);
    RecordMaker maker(events, joiner, false);
    StreamDecoder decoder(options.order, counter.LastNoFec(), counter.Count(), maker.Events());
    decoder.UseKnownSyncs(counter.TakeKnown());
    for (const std::uint64_t end : options.transmissionEnds)
        decoder.EndTransmission(end);
    ReadPieces(input, 0, options, "decoding", [&](std::string_view raw) {
        decoder.FeedFrom([&](std::string& bits) { joiner.Join(raw, bits); });
        maker.Trim(decoder);
        return !decoder.Done();
    });
    decoder.Finish();
    const auto& tail = maker.noPattern();
    if (tail.last >= tail.first)
        WriteNoPatternRecords(input, options, events, tail.first, tail.last, tail.head,
                              tail.tailMark, tail.tailFrom);
}

} // namespace vantrel
