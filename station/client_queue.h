// One open page's events on their way to it: the station puts them in, the server thread that
// serves that page takes them out and writes them. The queue is bounded: a page that does not
// read (a stalled browser, a slow network) is dropped once its events pass the bound, so it
// never holds the station's memory, let alone the decode.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

class ClientQueue {
public:
    using Event = std::shared_ptr<const std::string>; // one text, shared by every page

    // `byteLimit`: the most text that may wait. An empty queue takes any one event, so a
    // page is never dropped for one large event (the state when it opens).
    explicit ClientQueue(std::size_t byteLimit) : byteLimit_(byteLimit) {}

    // False when the page is gone: dropped now, for this event, or before, or closed.
    bool Push(Event event);
    // An event that makes everything waiting before it moot (the whole state): it takes
    // their place, and never drops the page. False when the page is gone.
    bool Replace(Event event);
    // Waits up to `wait` for events and takes them all: none when the wait ran out; nothing
    // at all when the page was dropped or the queue closed (the server then ends the page's
    // stream).
    std::optional<std::vector<Event>> Take(std::chrono::milliseconds wait);
    // The server stops, or the page went away: Push and Take give up.
    void Close();
    bool dropped() const;
    bool closed() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Event> events_;
    std::size_t bytes_ = 0;
    std::size_t byteLimit_;
    bool dropped_ = false;
    bool closed_ = false;
};

} // namespace vantrel
