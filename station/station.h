// The live station: the run's records come in from the decode, the open pages get their news.
// A decode thread only hands a record over (Add: a copy into the hand-over under its own
// lock); the station's thread sums the records up into the live state, renders what changed
// and puts it into each open page's bounded queue, at most every PaceMs. No page, however slow,
// ever holds the decode: the decode waits only when it hands records over faster than the
// station can take them (HandoverLimit waiting), which bounds the station's memory.
#pragma once

#include "client_queue.h"
#include "live_state.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vantrel {

class Station {
public:
    // News goes out at most this often: a record is on the pages within this of being final.
    static constexpr int PaceMs = 50;
    // Records wait in the hand-over this long at most before the station takes them, so a
    // busy decode wakes the station's thread a few hundred times a second, not every record.
    static constexpr int GatherMs = 5;
    // Records waiting in the hand-over at most; the station is woken at half of it.
    static constexpr std::size_t HandoverLimit = 4096;
    // A news event carries at most this many records, the newest: a decode faster than that
    // (a whole file) has the pages skip some, said in the event; the units stay whole.
    static constexpr std::size_t NewsRecordLimit = 500;
    // ... and at most this many changed units, those changed first; the others follow in the
    // next events (a channel with a new unit in every call, as a large file can be).
    static constexpr std::size_t NewsUnitLimit = 500;
    // Pages open at once; one more is refused (the server answers 503).
    static constexpr std::size_t PageLimit = 64;
    // What may wait for one page before it is dropped.
    static constexpr std::size_t PageQueueBytes = std::size_t{16} << 20;

    // `warn` takes a line for standard error (a dropped page), from the station's thread.
    Station(std::size_t historyLimit, std::function<void(std::string_view)> warn,
            std::size_t pageQueueBytes = PageQueueBytes);
    ~Station() { Stop(); }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // A final record of the run, from any decode thread.
    void Add(const DecodedRecord& record);
    // An earlier run's history (a database): its last records, oldest first, and every
    // unit's summary over all of them (LiveState::Load). Call before the run's first Add.
    void Load(std::span<const DecodedRecord> past, std::span<const UnitSummary> units);
    // The run has ended: every page gets the whole state again, marked finished.
    void Finish();
    // No more news: every page's stream ends, none opens. Idempotent.
    void Stop();

    // A page opening its event stream: its queue, which gets the whole state first; nothing
    // when PageLimit pages are open or the station has stopped. `peer` names it in the line
    // said when it is dropped. Every queue given out goes back through PageClosed.
    std::shared_ptr<ClientQueue> OpenPage(std::string peer);
    void PageClosed(const std::shared_ptr<ClientQueue>& queue);

    // What `render` makes of the state as it stands, under the state's lock (keep it short:
    // the station's thread waits for it, the decode does not).
    std::string Render(const std::function<std::string(const LiveState&, bool running)>& render);

private:
    struct Page {
        std::shared_ptr<ClientQueue> queue;
        std::string peer;
    };
    using Clock = std::chrono::steady_clock;
    void Run();
    // Sums up the `count` records taken, renders what is due and hands it to the pages.
    void Fold(std::size_t count, bool finish, std::vector<Page> opened);
    void Deliver(const ClientQueue::Event& news, const ClientQueue::Event& finished,
                 const ClientQueue::Event& opening, std::vector<Page> opened);

    std::function<void(std::string_view)> warn_;
    std::size_t pageQueueBytes_;

    // The hand-over, under its own lock: all a decode thread ever waits for.
    std::mutex handover_;
    std::condition_variable wake_;        // the station's thread waits on it
    std::condition_variable room_;        // a decode thread waits on it while the hand-over is full
    std::vector<DecodedRecord> incoming_; // the first incomingCount_ are records; the rest room
    std::size_t incomingCount_ = 0;
    bool idle_ = false;          // the station waits with nothing to do: the next record wakes it
    int decodesWaiting_ = 0;     // decode threads waiting for room
    bool finishPending_ = false; // Finish was called; its state has not gone out yet
    bool stopping_ = false;
    std::vector<Page> opening_; // pages waiting for their first state
    std::size_t pageCount_ = 0; // pages given out and not yet closed

    // The live state, under its lock: the station's thread sums up and renders, the server's
    // threads render (the state as JSON, the plot).
    std::mutex stateLock_;
    LiveState state_;
    bool running_ = true;
    std::uint64_t sent_ = 0; // records before this number went out as news

    // The station's thread's own.
    bool newsPending_ = false; // records or units not yet sent as news
    Clock::time_point nextNews_{};
    std::vector<DecodedRecord> taken_; // the hand-over's records being summed up
    std::vector<Page> pages_;
    std::thread thread_;
};

} // namespace vantrel
