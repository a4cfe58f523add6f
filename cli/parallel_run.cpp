// Each file's output waits in its buffer for its turn, so the output is the one of the files
// decoded in order.
#include "batch_run.h"

#include "output_buffer.h"
#include "output_formats.h"
#include "progress.h"
#include "tool_output.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vantrel::decode {

using tool::ExitFileError;
using tool::FlushOut;
using tool::LineEnd;
using tool::RunProgress;
using tool::WriteErr;
using tool::WriteOut;

namespace {

std::uint64_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

} // namespace

int RunInParallel(const std::vector<Input>& inputs, const Options& options,
                  const OutputChoice& choice, unsigned jobs, const RecordListener& listener,
                  RecordStats& total) {
    struct Slot {
        FileJob job;
        std::unique_ptr<OutputBuffer> out;
        bool done = false;
    };
    // Workers stay at most this many files ahead of the output, so held buffers stay few.
    const std::size_t ahead = std::size_t{4} * jobs;
    constexpr std::size_t BufferLimit = std::size_t{8} << 20;
    std::vector<Slot> slots(inputs.size());
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;
    std::size_t turn = 0;
    bool stopping = false;

    auto work = [&] {
        for (;;) {
            std::size_t index = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(
                    lock, [&] { return stopping || next >= slots.size() || next < turn + ahead; });
                if (stopping || next >= slots.size())
                    return;
                index = next++;
            }
            Slot& slot = slots[index];
            slot.out = std::make_unique<OutputBuffer>(BufferLimit);
            std::optional<RecordOutput> records = RecordOutputFor(choice);
            FileJob& job = slot.job;
            job.path = inputs[index].path;
            job.kind = inputs[index].kind;
            job.heading = HeadingOf(job.path, inputs.size(), options, choice);
            job.records = records ? &*records : nullptr;
            job.target.write = [&slot](std::string_view text) { slot.out->Append(text); };
            job.target.finalRecord = listener;
            job.target.warn = [&job](std::string_view line) {
                job.errors += ProblemLine(job.path, line);
            };
            try {
                Decode(job, options, choice);
            } catch (const std::exception& error) {
                job.errors += ProblemLine(job.path, error.what());
                job.failed = true;
            }
            std::lock_guard lock(mutex);
            slot.done = true;
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < jobs && i < slots.size(); ++i)
        workers.emplace_back(work);

    int status = 0;
    RunProgress progress(slots.size());
    try {
        bool written = false;
        std::uint64_t bytesDone = 0;
        while (turn < slots.size()) {
            Slot& slot = slots[turn];
            {
                std::unique_lock lock(mutex);
                while (!changed.wait_for(lock, std::chrono::milliseconds(200),
                                         [&] { return slot.done; })) {
                    lock.unlock();
                    progress.Update(turn, bytesDone);
                    lock.lock();
                }
            }
            if (!slot.out->empty()) {
                if (!slot.job.heading.empty() && written)
                    WriteOut(LineEnd);
                if (written && choice.records)
                    WriteOut(*choice.records->perFileJoint);
                written = true;
                slot.out->WriteTo(WriteOut);
            }
            slot.out.reset();
            FlushOut();
            if (!slot.job.errors.empty())
                progress.Clear();
            WriteErr(slot.job.errors);
            total.Add(slot.job.stats);
            if (slot.job.failed)
                status = ExitFileError;
            bytesDone += FileSize(slot.job.path);
            progress.Update(turn + 1, bytesDone);
            std::lock_guard lock(mutex);
            ++turn;
            changed.notify_all();
        }
    } catch (...) {
        {
            std::lock_guard lock(mutex);
            stopping = true;
            changed.notify_all();
        }
        for (std::thread& worker : workers)
            worker.join();
        throw;
    }
    for (std::thread& worker : workers)
        worker.join();
    return status;
}

} // namespace vantrel::decode
