// The live station: the run's records come in from the decode, the open pages get their news.
// The decode only hands a record over (Add: a copy into the live state under a short lock);
// the station's own thread renders what changed and puts it into each open page's bounded
// queue, at most every PaceMs, so neither a busy channel nor a slow browser ever holds the
// decode.
#pragma once

#include "client_queue.h"
#include "live_state.h"

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
    // A news event carries at most this many records, the newest: a decode faster than that
    // (a whole file) has the pages skip some, said in the event; the units stay whole.
    static constexpr std::size_t NewsRecordLimit = 500;
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
    // Records of an earlier run, oldest first, before this run's (a database's history).
    void Load(std::span<const DecodedRecord> past);
    // The run has ended: every page gets the whole state again, marked finished.
    void Finish();
    // No more news: every page's stream ends, none opens. Idempotent.
    void Stop();

    // A page opening its event stream: its queue, which gets the whole state first; nothing
    // when PageLimit pages are open or the station has stopped. `peer` names it in the line
    // said when it is dropped. Every queue given out goes back through PageClosed.
    std::shared_ptr<ClientQueue> OpenPage(std::string peer);
    void PageClosed(const std::shared_ptr<ClientQueue>& queue);

    // What `render` makes of the state as it stands, under the station's lock (keep it short).
    std::string Render(const std::function<std::string(const LiveState&, bool running)>& render);

private:
    struct Page {
        std::shared_ptr<ClientQueue> queue;
        std::string peer;
    };
    void Run();
    void Deliver(const ClientQueue::Event& news, const ClientQueue::Event& finished,
                 const ClientQueue::Event& opening, std::vector<Page> opened);

    std::function<void(std::string_view)> warn_;
    std::size_t pageQueueBytes_;

    std::mutex mutex_; // guards everything below but pages_
    std::condition_variable wake_;
    LiveState state_;
    bool running_ = true;
    bool finishPending_ = false; // Finish was called; its state has not gone out yet
    bool stopping_ = false;
    bool waitingForRecords_ = false; // the thread waits with nothing to send: Add wakes it
    std::uint64_t sent_ = 0;         // records before this number went out as news
    std::vector<Page> opening_;      // pages waiting for their first state
    std::size_t pageCount_ = 0;      // pages given out and not yet closed

    std::vector<Page> pages_; // the station's thread's own
    std::thread thread_;
};

} // namespace vantrel
