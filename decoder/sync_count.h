// Counting the sync patterns of a bit string that arrives in pieces, as the decode will meet
// them, before any block is decoded.
#pragma once

#include "sync_search.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace modETSI300230 {

// Which pattern the search for the next block takes.
enum class SyncRule {
    // The whole-file rule: the first SyncNoFec at or after the position while any SyncNoFec
    // is left in the input, else the first SyncFec. It needs to know the input's last
    // SyncNoFec, so it takes two passes.
    WholeFile,
    // A live channel cannot wait for the end: the first pattern of either kind.
    Arrival,
};

// Hands every pattern window of a bit string given in pieces to `visit` once, in the order of
// their start, with its start counted from the first character of the first piece. Keeps only
// the 27 characters a window can share with the next piece.
class PieceScanner {
public:
    template <typename Visit> void Feed(std::string_view piece, Visit visit);

private:
    std::string carry_;      // the last characters before the next piece, at most 27
    std::uint64_t base_ = 0; // where carry_ starts
};

// The pattern windows a counting pass met, so that the decoding pass can take them instead of
// scanning the same bits a second time: every window's start and kind in order of start, up
// to a number that bounds their memory (8 bytes a window).
struct KnownSyncs {
    std::vector<std::uint64_t> windows; // start * 2, plus 1 for SyncFec
    std::uint64_t complete = 0;         // every window that starts before this bit is listed
};

// The number of blocks the text report announces: patterns counted without overlap, as the
// rule meets them.
class SyncCounter {
public:
    // `keepWindows`: how many pattern windows to keep for the decoding pass (KnownSyncs).
    explicit SyncCounter(SyncRule rule, std::size_t keepWindows = 0)
        : rule_(rule), keepWindows_(keepWindows) {}

    void Feed(std::string_view piece);
    // The windows kept, once every piece has been fed.
    KnownSyncs TakeKnown();

    std::int64_t Count() const { return chain_ + fecChain_; }
    // Start of the input's last SyncNoFec window, if any.
    std::optional<std::uint64_t> LastNoFec() const { return lastNoFec_; }
    // SyncFec patterns that start before the last SyncNoFec: the whole-file rule never
    // decodes a block at one of them.
    std::uint64_t FecPassedOver() const { return fecBeforeLastNoFec_; }

private:
    void Hit(std::uint64_t start, bool fec);

    SyncRule rule_;
    std::size_t keepWindows_;
    KnownSyncs known_;
    std::optional<std::uint64_t> firstNotKept_; // the first window beyond keepWindows_
    std::uint64_t fed_ = 0;
    PieceScanner scanner_;
    std::int64_t chain_ = 0;    // whole-file: the SyncNoFec chain; arrival: every pattern
    std::int64_t fecChain_ = 0; // whole-file: the SyncFec chain after the last SyncNoFec
    std::uint64_t next_ = 0;    // where the chain's next pattern may start
    std::uint64_t fecNext_ = 0;
    std::optional<std::uint64_t> lastNoFec_;
    std::uint64_t fecSeen_ = 0;
    std::uint64_t fecBeforeLastNoFec_ = 0;
};

template <typename Visit> void PieceScanner::Feed(std::string_view piece, Visit visit) {
    // Windows that start in the carried characters end in this piece: scan them on a copy
    // of at most 54 characters, then the piece itself.
    if (!carry_.empty()) {
        std::string junction = carry_;
        junction.append(piece.substr(0, SyncLength - 1));
        const std::size_t carried = carry_.size();
        ScanSyncs(junction, 0, [&](std::size_t start, bool fec) {
            if (start >= carried)
                return true;
            visit(base_ + start, fec);
            return false;
        });
    }
    const std::uint64_t pieceBase = base_ + carry_.size();
    ScanSyncs(piece, 0, [&](std::size_t start, bool fec) {
        visit(pieceBase + start, fec);
        return false;
    });
    const std::size_t keep = SyncLength - 1;
    if (piece.size() >= keep) {
        carry_.assign(piece.substr(piece.size() - keep));
    } else {
        carry_.append(piece);
        if (carry_.size() > keep)
            carry_.erase(0, carry_.size() - keep);
    }
    base_ = pieceBase + piece.size() - carry_.size();
}

} // namespace modETSI300230
