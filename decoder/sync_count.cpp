#include "sync_count.h"

namespace modETSI300230 {

void SyncCounter::Feed(std::string_view piece) {
    fed_ += piece.size();
    scanner_.Feed(piece, [this](std::uint64_t start, bool fec) {
        if (known_.windows.size() < keepWindows_)
            known_.windows.push_back(start * 2 + (fec ? 1 : 0));
        else if (!firstNotKept_)
            firstNotKept_ = start;
        Hit(start, fec);
    });
}

KnownSyncs SyncCounter::TakeKnown() {
    known_.complete = firstNotKept_ ? *firstNotKept_ : fed_;
    KnownSyncs known = std::move(known_);
    known_ = {};
    return known;
}

void SyncCounter::Hit(std::uint64_t start, bool fec) {
    if (rule_ == SyncRule::Arrival) {
        if (start >= next_) {
            ++chain_;
            next_ = start + SyncLength;
        }
        return;
    }
    // The whole-file count follows SyncNoFec patterns while any is left; after the chain's
    // last one it follows SyncFec patterns. A later SyncNoFec in the chain starts the SyncFec
    // part afresh, as the patterns counted so far were not the last ones.
    if (fec) {
        ++fecSeen_;
        if (start >= fecNext_) {
            ++fecChain_;
            fecNext_ = start + SyncLength;
        }
        return;
    }
    lastNoFec_ = start;
    fecBeforeLastNoFec_ = fecSeen_;
    if (start >= next_) {
        ++chain_;
        next_ = start + SyncLength;
        fecChain_ = 0;
        fecNext_ = next_;
    }
}

} // namespace modETSI300230
