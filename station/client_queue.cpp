#include "client_queue.h"

namespace vantrel {

bool ClientQueue::Push(Event event) {
    bool taken = false;
    {
        std::lock_guard lock(mutex_);
        if (dropped_ || closed_)
            return false;
        if (!events_.empty() && bytes_ + event->size() > byteLimit_) {
            // Its memory goes at once; the server thread sees the drop and ends the stream.
            dropped_ = true;
            events_.clear();
            bytes_ = 0;
        } else {
            bytes_ += event->size();
            events_.push_back(std::move(event));
            taken = true;
        }
    }
    ready_.notify_one();
    return taken;
}

bool ClientQueue::Replace(Event event) {
    {
        std::lock_guard lock(mutex_);
        if (dropped_ || closed_)
            return false;
        events_.clear();
        bytes_ = event->size();
        events_.push_back(std::move(event));
    }
    ready_.notify_one();
    return true;
}

std::optional<std::vector<ClientQueue::Event>> ClientQueue::Take(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    ready_.wait_for(lock, wait, [this] { return dropped_ || closed_ || !events_.empty(); });
    if (dropped_ || closed_)
        return std::nullopt;
    std::vector<Event> taken(std::make_move_iterator(events_.begin()),
                             std::make_move_iterator(events_.end()));
    events_.clear();
    bytes_ = 0;
    return taken;
}

void ClientQueue::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        events_.clear();
        bytes_ = 0;
    }
    ready_.notify_all();
}

bool ClientQueue::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

bool ClientQueue::dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

} // namespace vantrel
