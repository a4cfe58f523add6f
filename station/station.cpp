#include "station.h"

#include "live_json.h"

#include <algorithm>

namespace vantrel {

namespace {

using Event = ClientQueue::Event;

Event MakeEvent(std::string_view name, const std::string& data) {
    return std::make_shared<const std::string>(ServerSentEvent(name, data));
}

} // namespace

Station::Station(std::size_t historyLimit, std::function<void(std::string_view)> warn,
                 std::size_t pageQueueBytes)
    : warn_(std::move(warn)), pageQueueBytes_(pageQueueBytes), state_(historyLimit) {
    thread_ = std::thread([this] { Run(); });
}

void Station::Stop() {
    {
        std::lock_guard lock(handover_);
        stopping_ = true;
        for (const Page& page : opening_)
            page.queue->Close();
        opening_.clear();
    }
    wake_.notify_all();
    room_.notify_all();
    if (thread_.joinable())
        thread_.join();
    for (const Page& page : pages_)
        page.queue->Close();
    pages_.clear();
}

void Station::Add(const DecodedRecord& record) {
    std::unique_lock lock(handover_);
    if (incomingCount_ == HandoverLimit) {
        ++decodesWaiting_;
        room_.wait(lock, [this] { return incomingCount_ < HandoverLimit || stopping_; });
        --decodesWaiting_;
    }
    if (stopping_)
        return;
    if (incomingCount_ < incoming_.size())
        incoming_[incomingCount_] = record; // into the room of a record taken before
    else
        incoming_.push_back(record);
    ++incomingCount_;
    const bool wake = idle_ || incomingCount_ == HandoverLimit / 2;
    idle_ = false;
    lock.unlock();
    if (wake)
        wake_.notify_one();
}

void Station::Load(std::span<const DecodedRecord> past, std::span<const UnitSummary> units) {
    std::lock_guard lock(stateLock_);
    state_.Load(past, units);
    // An earlier run is history, not news: the pages get it with the state.
    sent_ = state_.recordsSeen();
    state_.TakeChangedUnits();
}

void Station::Finish() {
    {
        std::lock_guard lock(handover_);
        finishPending_ = true;
    }
    wake_.notify_all();
}

std::shared_ptr<ClientQueue> Station::OpenPage(std::string peer) {
    std::shared_ptr<ClientQueue> queue;
    {
        std::lock_guard lock(handover_);
        if (stopping_ || pageCount_ >= PageLimit)
            return nullptr;
        ++pageCount_;
        queue = std::make_shared<ClientQueue>(pageQueueBytes_);
        opening_.push_back({queue, std::move(peer)});
    }
    wake_.notify_all();
    return queue;
}

void Station::PageClosed(const std::shared_ptr<ClientQueue>& queue) {
    queue->Close();
    std::lock_guard lock(handover_);
    --pageCount_;
}

std::string
Station::Render(const std::function<std::string(const LiveState&, bool running)>& render) {
    std::lock_guard lock(stateLock_);
    return render(state_, running_);
}

// Takes the hand-over's records when GatherMs have passed since the last time (or at once
// when it is half full), pages that open, the run's end; and wakes for news when it is due.
void Station::Run() {
    auto nextGather = Clock::now();
    std::unique_lock lock(handover_);
    for (;;) {
        for (;;) {
            if (stopping_)
                return;
            const Clock::time_point now = Clock::now();
            const bool newsDue = newsPending_ && now >= nextNews_;
            if (incomingCount_ >= HandoverLimit / 2 || !opening_.empty() || finishPending_ ||
                newsDue || (incomingCount_ > 0 && now >= nextGather))
                break;
            if (incomingCount_ == 0 && !newsPending_) {
                idle_ = true;
                wake_.wait(lock);
                idle_ = false;
            } else {
                const Clock::time_point gather =
                    incomingCount_ > 0 ? nextGather : Clock::time_point::max();
                wake_.wait_until(lock, std::min(gather, newsPending_ ? nextNews_ : gather));
            }
        }
        std::swap(incoming_, taken_);
        const std::size_t count = incomingCount_;
        incomingCount_ = 0;
        if (decodesWaiting_ > 0)
            room_.notify_all();
        const bool finish = std::exchange(finishPending_, false);
        std::vector<Page> opened;
        opened.swap(opening_);
        lock.unlock();
        nextGather = Clock::now() + std::chrono::milliseconds(GatherMs);
        Fold(count, finish, std::move(opened));
        lock.lock();
    }
}

void Station::Fold(std::size_t count, bool finish, std::vector<Page> opened) {
    Event news;
    Event finished;
    Event opening;
    {
        std::lock_guard lock(stateLock_);
        for (std::size_t i = 0; i < count; ++i)
            state_.Add(std::move(taken_[i])); // taken_[i] keeps the room of what it replaced
        const bool rendered = !pages_.empty();
        const Clock::time_point now = Clock::now();
        if (finish) {
            // The whole state again at the run's end: a page that skipped records then shows
            // every one held, and no news is due.
            running_ = false;
            if (rendered)
                finished = MakeEvent("state", StateJson(state_, running_));
            sent_ = state_.recordsSeen();
            state_.TakeChangedUnits();
        } else if ((state_.recordsSeen() > sent_ || state_.unitsChanged()) &&
                   (now >= nextNews_ || !opened.empty())) {
            // Out of pace too when a page opens: its state must start where the news ends.
            const std::uint64_t seen = state_.recordsSeen();
            if (rendered) {
                const std::uint64_t first =
                    std::max({sent_, state_.oldestHeld(),
                              seen - std::min<std::uint64_t>(seen, NewsRecordLimit)});
                const std::vector<std::size_t> units = state_.TakeChangedUnits(NewsUnitLimit);
                news = MakeEvent("news", NewsJson(state_, first, first - sent_, units));
            } else {
                state_.TakeChangedUnits();
            }
            sent_ = seen;
            nextNews_ = now + std::chrono::milliseconds(PaceMs);
        }
        // Every unit as it stands: those still waiting to go out as news are in it.
        if (!opened.empty())
            opening = finished ? finished : MakeEvent("state", StateJson(state_, running_));
        newsPending_ = state_.recordsSeen() > sent_ || state_.unitsChanged();
    }
    Deliver(news, finished, opening, std::move(opened));
}

void Station::Deliver(const Event& news, const Event& finished, const Event& opening,
                      std::vector<Page> opened) {
    std::erase_if(pages_, [&](const Page& page) {
        bool taken = !page.queue->closed();
        if (finished)
            taken = page.queue->Replace(finished);
        else if (news)
            taken = page.queue->Push(news);
        if (!taken && page.queue->dropped())
            warn_(page.peer + ": a live page that left " + std::to_string(pageQueueBytes_ >> 10) +
                  " KiB of updates unread was dropped; reloading it opens it again");
        return !taken;
    });
    for (Page& page : opened)
        if (page.queue->Push(opening))
            pages_.push_back(std::move(page));
}

} // namespace vantrel
