// The decode of a bit string that arrives in pieces of any size. Each block goes through the
// same block routine as the whole-file decode; only the bits a block or a sync search still
// needs are held, so memory stays bounded whatever the input's length.
#pragma once

#include "block_decoder.h"
#include "block_detail.h"
#include "sync_count.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace modETSI300230 {

// What the streaming decode hands out, in this order for each record: its start, the pieces
// of its trailer (when wanted), its end. A record ends once the pattern that ends its trailer
// is known, or at the end of the input.
struct StreamEvents {
    // A decoded block: its number (from 1), where its sync pattern starts in the joined bit
    // string, the record (its Log empty), the head of its log (LogHead()) and, when `details`
    // is set, the block's detail with positions in the joined bit string (null otherwise).
    std::function<void(std::int64_t number, SyncFinder::Hit sync, const BlockInfo& record,
                       std::string_view logHead, const BlockDetail* detail)>
        blockStart;
    bool details = false; // gather each block's detail (the record formats need it)
    // Skipped: no log is made and every logHead is empty, for outputs that show no log.
    BlockLogging logging = BlockLogging::Kept;
    // Characters of the current record's trailer; null when no trailer is wanted.
    std::function<void(std::string_view characters)> trailer;
    std::function<void()> recordEnd;
    // Records first..last find no pattern left: each one's log is `logHead` followed by the
    // joined bit string from `tailFrom` to its end, then CR LF. The caller reads that tail
    // again from its input for each record instead of the decoder holding it.
    std::function<void(std::int64_t first, std::int64_t last, std::string_view logHead,
                       std::uint64_t tailFrom)>
        noPatternLeft;
};

class StreamDecoder {
public:
    // `blockCount` is the count announced ahead (SyncCounter); a negative count decodes
    // every block there is and never writes records without a pattern. The whole-file rule
    // needs `lastNoFec` from the counting pass.
    StreamDecoder(SyncRule rule, std::optional<std::uint64_t> lastNoFec, std::int64_t blockCount,
                  StreamEvents events);

    // The pattern windows of the same joined bit string, as a counting pass met them: the
    // search takes them instead of scanning the bits before `known.complete` again. Given
    // before the first Feed.
    void UseKnownSyncs(KnownSyncs known) { known_ = std::move(known); }

    // The next characters of the joined bit string (line feeds already removed).
    void Feed(std::string_view bits);
    // The same, for a caller that writes the next characters straight onto the held ones
    // (`fill` appends to the string it is given), saving a copy of every piece.
    template <typename Fill> void FeedFrom(Fill fill) {
        if (done_)
            return;
        const std::size_t before = buffer_.size();
        fill(buffer_);
        if (buffer_.size() != before)
            Run(false);
    }
    // The transmission the bits so far were heard in ended before bit `bit` (an index in the
    // joined bit string, given before the bits from there on are fed): a block whose pattern
    // lies before it reads nothing from `bit` on, so its missing codewords fail and the next
    // transmission's pattern is searched from there. Ends come in ascending order.
    void EndTransmission(std::uint64_t bit);
    // The input has ended: the last records are finished.
    void Finish();
    // A live channel went quiet (its transmission ended, or no characters came for a while):
    // a block still waiting for characters is decoded with those there are, and the open
    // record's trailer ends with the characters held, so the record is final now. Later
    // characters are decoded as before; a pattern cut by the pause is still found.
    void EndRecord();
    // A record has been handed out and waits for the end of its trailer.
    bool RecordOpen() const { return recordOpen_; }
    // A pattern has been found and its block waits for more characters.
    bool BlockWaiting() const { return sync_.has_value(); }

    // True once the records are all out: nothing more of the input is needed.
    bool Done() const { return done_; }
    // No block found later starts before this bit index.
    std::uint64_t EarliestFutureSync() const;
    // Where the remaining bit string starts: the tail of records without a pattern.
    std::uint64_t TailFrom() const { return rest_; }

private:
    void Run(bool atEnd);
    std::optional<SyncFinder::Hit> NextKnown(std::uint64_t& scanFrom);
    bool Matches(bool fec) const;
    std::optional<std::uint64_t> CutOf(std::uint64_t syncPosition);
    void EmitTrailer(std::uint64_t to);
    std::uint64_t End() const { return base_ + buffer_.size(); }

    SyncRule rule_;
    std::optional<std::uint64_t> lastNoFec_;
    std::int64_t blockCount_;
    StreamEvents events_;

    std::string buffer_; // the joined bits from base_ on
    std::uint64_t base_ = 0;
    std::uint64_t rest_ = 0;              // start of the remaining bit string
    std::uint64_t scanFrom_ = 0;          // first window start not yet scanned
    std::uint64_t emitted_ = 0;           // trailer characters handed out up to here
    std::optional<SyncFinder::Hit> sync_; // found, waiting for the whole block to arrive
    std::uint64_t tryAt_ = 0;             // how far the input must reach before the block is tried
    bool recordOpen_ = false;             // a record waits for the end of its trailer
    std::deque<std::uint64_t> ends_;      // transmission ends not yet passed
    KnownSyncs known_;                    // windows found ahead (UseKnownSyncs)
    std::size_t knownAt_ = 0;             // the first of them not yet passed
    std::int64_t decoded_ = 0;
    bool done_ = false;
    bool cut_ = false; // EndRecord: a waiting block is decoded with what there is
};

} // namespace modETSI300230
