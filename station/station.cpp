#include "station.h"

#include "live_json.h"

#include <algorithm>
#include <chrono>

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
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
    for (const Page& page : pages_)
        page.queue->Close();
    pages_.clear();
    std::lock_guard lock(mutex_);
    for (const Page& page : opening_)
        page.queue->Close();
    opening_.clear();
}

void Station::Add(const DecodedRecord& record) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        state_.Add(record);
        wake = waitingForRecords_;
        waitingForRecords_ = false;
    }
    if (wake)
        wake_.notify_one();
}

void Station::Load(std::span<const DecodedRecord> past) {
    std::lock_guard lock(mutex_);
    state_.Load(past);
    // An earlier run is history, not news: the pages get it with the state.
    sent_ = state_.recordsSeen();
    state_.TakeChangedUnits();
}

void Station::Finish() {
    {
        std::lock_guard lock(mutex_);
        running_ = false;
        finishPending_ = true;
    }
    wake_.notify_all();
}

std::shared_ptr<ClientQueue> Station::OpenPage(std::string peer) {
    std::shared_ptr<ClientQueue> queue;
    {
        std::lock_guard lock(mutex_);
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
    std::lock_guard lock(mutex_);
    --pageCount_;
}

std::string Station::Render(
    const std::function<std::string(const LiveState&, bool running)>& render) {
    std::lock_guard lock(mutex_);
    return render(state_, running_);
}

// Waits for something to send and renders it under the lock (news holds at most
// NewsRecordLimit records, so the decode waits little); the pages get it unlocked.
void Station::Run() {
    using Clock = std::chrono::steady_clock;
    auto nextNews = Clock::now();
    std::unique_lock lock(mutex_);
    for (;;) {
        bool records = false;
        for (;;) {
            if (stopping_)
                return;
            records = state_.recordsSeen() > sent_;
            if (!opening_.empty() || finishPending_ || (records && Clock::now() >= nextNews))
                break;
            if (records) {
                wake_.wait_until(lock, nextNews);
            } else {
                waitingForRecords_ = true;
                wake_.wait(lock);
                waitingForRecords_ = false;
            }
        }
        Event news;
        Event finished;
        if (finishPending_) {
            // The whole state again at the run's end: a page that skipped records then shows
            // every one held, and no news is due.
            finishPending_ = false;
            finished = MakeEvent("state", StateJson(state_, running_));
            sent_ = state_.recordsSeen();
            state_.TakeChangedUnits();
        } else if (records) {
            // Out of pace too when a page opens: its state must start where the news ends.
            const std::uint64_t seen = state_.recordsSeen();
            const std::uint64_t first =
                std::max({sent_, state_.oldestHeld(),
                          seen - std::min<std::uint64_t>(seen, NewsRecordLimit)});
            const std::vector<std::size_t> units = state_.TakeChangedUnits();
            news = MakeEvent("news", NewsJson(state_, first, first - sent_, units));
            sent_ = seen;
            nextNews = Clock::now() + std::chrono::milliseconds(PaceMs);
        }
        std::vector<Page> opened;
        Event opening;
        if (!opening_.empty()) {
            opened.swap(opening_);
            opening = finished ? finished : MakeEvent("state", StateJson(state_, running_));
        }
        lock.unlock();
        Deliver(news, finished, opening, std::move(opened));
        lock.lock();
    }
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
