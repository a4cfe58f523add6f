#include "store_writer.h"

#include "file_error.h"

namespace vantrel {

StoreWriter::StoreWriter(std::unique_ptr<RecordStore> store, Notice notice)
    : store_(std::move(store)), notice_(std::move(notice)) {
    queue_.reserve(QueueLimit);
    thread_ = std::thread([this] { Run(); });
}

StoreWriter::~StoreWriter() {
    Close();
}

void StoreWriter::Add(const DecodedRecord& record) {
    DecodedRecord copy = record;
    copy.info.Log = {};
    std::unique_lock lock(mutex_);
    room_.wait(lock, [this] { return queue_.size() < QueueLimit || outcome_.lost; });
    if (outcome_.lost) {
        ++outcome_.notStored;
        return;
    }
    queue_.push_back(std::move(copy));
    if (queue_.size() == 1)
        arrived_.notify_one();
}

void StoreWriter::Run() {
    std::vector<DecodedRecord> batch;
    batch.reserve(QueueLimit);
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            arrived_.wait(lock, [this] { return !queue_.empty() || closing_; });
            if (queue_.empty())
                break;
            batch.swap(queue_);
        }
        room_.notify_all();
        try {
            store_->Store(batch);
        } catch (const FileError& error) {
            notice_(error.path() + ": " + error.description() +
                    "; records are no longer stored in it");
            std::lock_guard lock(mutex_);
            outcome_.lost = true;
            outcome_.notStored += batch.size() + queue_.size();
            queue_.clear();
            room_.notify_all();
            break;
        }
        batch.clear();
    }
    std::lock_guard lock(mutex_);
    if (!outcome_.lost) {
        try {
            store_->Finish();
        } catch (const FileError& error) {
            notice_(error.path() + ": " + error.description());
            outcome_.lost = true;
        }
    }
    outcome_.added = store_->added();
    outcome_.known = store_->known();
}

StoreOutcome StoreWriter::Close() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    arrived_.notify_one();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard lock(mutex_);
    return outcome_;
}

} // namespace vantrel
