#include "stream_decoder.h"

#include <algorithm>

namespace modETSI300230 {

StreamDecoder::StreamDecoder(SyncRule rule, std::optional<std::uint64_t> lastNoFec,
                             std::int64_t blockCount, StreamEvents events)
    : rule_(rule), lastNoFec_(lastNoFec), blockCount_(blockCount), events_(std::move(events)) {}

void StreamDecoder::Feed(std::string_view bits) {
    if (done_ || bits.empty())
        return;
    buffer_.append(bits);
    Run(false);
}

void StreamDecoder::EndTransmission(std::uint64_t bit) {
    if (ends_.empty() || bit > ends_.back())
        ends_.push_back(bit);
}

// Where the transmission of the block at `syncPosition` ended, once the bits reach that far.
// An end inside the pattern itself cuts nothing: the pattern was read whole.
std::optional<std::uint64_t> StreamDecoder::CutOf(std::uint64_t syncPosition) {
    while (!ends_.empty() && ends_.front() < syncPosition + SyncLength)
        ends_.pop_front();
    if (ends_.empty() || ends_.front() > End())
        return std::nullopt;
    return ends_.front();
}

void StreamDecoder::Finish() {
    if (!done_)
        Run(true);
    done_ = true;
    buffer_.clear();
    buffer_.shrink_to_fit();
}

void StreamDecoder::EndRecord() {
    if (done_)
        return;
    if (sync_) {
        cut_ = true;
        Run(false);
        cut_ = false;
    }
    if (recordOpen_) {
        EmitTrailer(End());
        recordOpen_ = false;
        if (events_.recordEnd)
            events_.recordEnd();
    }
}

std::uint64_t StreamDecoder::EarliestFutureSync() const {
    return sync_ ? sync_->position : scanFrom_;
}

// The same choice as SyncFinder::Next, made from the last SyncNoFec alone: a SyncNoFec is
// left at or after the remaining bit string exactly when it starts no later than the last one.
bool StreamDecoder::Matches(bool fec) const {
    if (rule_ == SyncRule::Arrival)
        return true;
    const bool noFecLeft = lastNoFec_ && rest_ <= *lastNoFec_;
    return fec != noFecLeft;
}

void StreamDecoder::EmitTrailer(std::uint64_t to) {
    if (to > emitted_ && events_.trailer)
        events_.trailer(std::string_view(buffer_).substr(emitted_ - base_, to - emitted_));
    emitted_ = std::max(emitted_, to);
}

// The first known window from `scanFrom` on that the rule takes and that has arrived whole,
// as ScanSyncs would find it in the held bits. When there is none, `scanFrom` moves on to
// where the bits still have to be scanned: the end of the known windows, or of the bits held.
std::optional<SyncFinder::Hit> StreamDecoder::NextKnown(std::uint64_t& scanFrom) {
    if (scanFrom >= known_.complete)
        return std::nullopt;
    const std::vector<std::uint64_t>& windows = known_.windows;
    while (knownAt_ < windows.size() && windows[knownAt_] / 2 < scanFrom)
        ++knownAt_;
    const std::uint64_t arrived = End() - (SyncLength - 1); // windows from here are not whole
    for (std::size_t i = knownAt_; i < windows.size(); ++i) {
        const std::uint64_t start = windows[i] / 2;
        if (start >= known_.complete || start >= arrived)
            break;
        const bool fec = (windows[i] & 1) != 0;
        if (Matches(fec))
            return SyncFinder::Hit{start, fec};
    }
    scanFrom = std::max(scanFrom, std::min(known_.complete, arrived));
    return std::nullopt;
}

void StreamDecoder::Run(bool atEnd) {
    while (!done_) {
        if (sync_) {
            // A block is decoded once all it reads has arrived: when it stops short of the
            // characters there are, more of them cannot change it. A live channel's block is
            // so decoded without waiting for the farthest a block could reach.
            const bool blockEnds = atEnd || cut_;
            if (!blockEnds && End() < tryAt_ && !CutOf(sync_->position))
                break;
            const std::optional<std::uint64_t> cut = CutOf(sync_->position);
            const std::string_view block = std::string_view(buffer_).substr(
                sync_->position - base_, cut ? *cut - sync_->position : std::string_view::npos);
            BlockInfo record;
            BlockDetail detail;
            const std::size_t used =
                DecodeBlock(block, {0, sync_->fec}, record, events_.details ? &detail : nullptr,
                            events_.logging);
            if (!blockEnds && !cut && used == block.size()) {
                tryAt_ = std::min(End() + CodewordLength, sync_->position + BlockReach);
                break;
            }
            ++decoded_;
            rest_ = sync_->position + used;
            scanFrom_ = rest_;
            emitted_ = rest_;
            recordOpen_ = true;
            const SyncFinder::Hit hit = *sync_;
            sync_.reset();
            if (events_.blockStart) {
                // The detail counts from the window the block was decoded in.
                if (events_.details) {
                    detail.syncPosition = hit.position;
                    detail.restPosition = rest_;
                }
                const bool logged = events_.logging == BlockLogging::Kept;
                events_.blockStart(decoded_, hit, record, logged ? LogHead() : std::string(),
                                   events_.details ? &detail : nullptr);
            }
            continue;
        }
        std::optional<SyncFinder::Hit> found;
        if (scanFrom_ + SyncLength <= End()) {
            std::uint64_t scanFrom = scanFrom_;
            found = NextKnown(scanFrom);
            if (!found && scanFrom + SyncLength <= End())
                ScanSyncs(buffer_, scanFrom - base_, [&](std::size_t start, bool fec) {
                    if (!Matches(fec))
                        return false;
                    found = SyncFinder::Hit{base_ + start, fec};
                    return true;
                });
        }
        if (found) {
            if (recordOpen_) {
                EmitTrailer(found->position + 1);
                recordOpen_ = false;
                if (events_.recordEnd)
                    events_.recordEnd();
            }
            if (blockCount_ >= 0 && decoded_ >= blockCount_) {
                done_ = true;
                break;
            }
            sync_ = found;
            scanFrom_ = found->position;
            tryAt_ = found->position + SyncLength + CodewordLength;
            continue;
        }
        scanFrom_ = std::max(scanFrom_, End() >= SyncLength ? End() - (SyncLength - 1) : 0);
        if (!atEnd) {
            // Every character before the first window not yet complete is trailer.
            if (recordOpen_)
                EmitTrailer(scanFrom_);
            break;
        }
        if (recordOpen_) {
            EmitTrailer(End());
            recordOpen_ = false;
            if (events_.recordEnd)
                events_.recordEnd();
        }
        if (blockCount_ > decoded_ && events_.noPatternLeft) {
            const bool logged = events_.logging == BlockLogging::Kept;
            if (logged)
                StartNoSyncLog();
            events_.noPatternLeft(decoded_ + 1, blockCount_, logged ? LogHead() : std::string(),
                                  rest_);
        }
        done_ = true;
    }
    // Keep only what a block, a trailer or a window not yet scanned still needs.
    std::uint64_t keep = sync_ ? sync_->position : scanFrom_;
    if (recordOpen_)
        keep = std::min(keep, emitted_);
    keep = std::min(keep, End());
    if (keep > base_) {
        buffer_.erase(0, keep - base_);
        base_ = keep;
    }
}

} // namespace modETSI300230
