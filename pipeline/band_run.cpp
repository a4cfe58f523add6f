#include "band_run.h"

#include "channel_text.h"
#include "file_error.h"
#include "fm_audio.h"
#include "live_sound.h"
#include "output_events.h"
#include "raw_input.h"
#include "report.h"
#include "start_time.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace vantrel {

namespace {

// A channel's text report in memory up to this size, beyond it in a temporary file: a band
// watched for hours keeps every channel's report until the capture ends.
constexpr std::size_t ReportMemoryLimit = std::size_t{1} << 20;
constexpr std::size_t CopySize = std::size_t{1} << 16;

bool Stopped(const BandRunOptions& options) {
    return options.stop != nullptr && *options.stop != 0;
}

class BandRun {
public:
    BandRun(const std::string& name, const channelizer::BandPlan& plan, const OutputChoice& choice,
            const BandRunOptions& options, const OutputTarget& target, RecordOutput* records)
        : name_(name), choice_(choice), options_(options), userTarget_(target),
          textByChannel_(records == nullptr && !options.follow), target_(Target()),
          output_(name, nullptr, choice, target_, records), channels_(plan.channels().size()),
          receiver_(plan, Events(), options.receiver) {
        output_.severalStreams = true;
    }

    void Feed(std::span<const channelizer::Complex> samples) { receiver_.Feed(samples); }

    // The samples broke off and go on after a gap (a live radio back, samples dropped): every
    // channel open on the air closes, so a call cut by the gap is not glued to what follows.
    void Break() { receiver_.Finish(); }

    // The capture has ended: the transmissions on the air are finished, their records written.
    void Finish() {
        receiver_.Finish();
        for (const std::unique_ptr<Channel>& channel : channels_)
            if (channel)
                channel->sound.Finish();
    }

    // The text report of every channel that had calls, in order of frequency.
    void WriteReports() {
        std::vector<Channel*> heard;
        for (const std::unique_ptr<Channel>& channel : channels_)
            if (channel && channel->calls > 0)
                heard.push_back(channel.get());
        std::ranges::sort(heard, {}, [](const Channel* c) { return *c->state.channelHz; });
        std::vector<char> piece(CopySize);
        for (std::size_t i = 0; i < heard.size(); ++i) {
            if (i > 0)
                userTarget_.write(modETSI300230::CrLf);
            userTarget_.write("==> " + ChannelText(*heard[i]->state.channelHz) +
                              " <==" + std::string(modETSI300230::CrLf));
            userTarget_.write(ReportHeaderText(static_cast<std::int64_t>(heard[i]->calls)));
            const RawInput report = heard[i]->report->Finish();
            for (std::uint64_t at = 0; at < report.Size();) {
                const std::size_t got = report.ReadAt(at, piece.data(), piece.size());
                userTarget_.write(std::string_view(piece.data(), got));
                at += got;
            }
        }
    }

    std::uint64_t calls() const {
        std::uint64_t calls = 0;
        for (const std::unique_ptr<Channel>& channel : channels_)
            calls += channel ? channel->calls : 0;
        return calls;
    }
    std::size_t opened() const {
        return static_cast<std::size_t>(std::ranges::count_if(
            channels_, [](const std::unique_ptr<Channel>& c) { return c != nullptr; }));
    }
    RecordStats& stats() { return output_.stats; }
    ChannelStats& channelStats() { return channelStats_; }

private:
    // One channel's decode, made when it first opens.
    struct Channel {
        explicit Channel(BandRun& run)
            : events(run.ChannelRecordEvents(*this)), sound(events, run.choice_.polarity) {
            if (run.textByChannel_)
                report.emplace(run.name_, ReportMemoryLimit);
        }
        StreamState state;
        RecordEvents events; // the output's, with the times moved into the capture
        LiveSound sound;     // keeps a reference to `events`
        double openedAt = 0; // when the audio of the channel's current opening begins
        std::uint64_t calls = 0;
        std::optional<Spool> report; // the whole capture's text report: its sections
    };

    OutputTarget Target() {
        OutputTarget target = userTarget_;
        if (textByChannel_)
            target.write = [this](std::string_view text) {
                if (writing_ != nullptr)
                    writing_->report->Append(text);
            };
        if (choice_.stats)
            target.finalRecord = [this](const DecodedRecord& record) {
                channelStats_.Add(record);
                if (userTarget_.finalRecord)
                    userTarget_.finalRecord(record);
            };
        return target;
    }

    channelizer::ChannelEvents Events() {
        return {[this](const channelizer::Channel& c, double seconds) {
                    ChannelOf(c).openedAt = seconds;
                },
                [this](const channelizer::Channel& c, std::span<const float> audio) {
                    ChannelOf(c).sound.Feed(audio, static_cast<int>(channelizer::AudioRate));
                },
                // Each opening is a transmission heard from its start: its demodulator starts
                // afresh, its times count from the opening.
                [this](const channelizer::Channel& c, double) { ChannelOf(c).sound.EndOfSound(); }};
    }

    Channel& ChannelOf(const channelizer::Channel& channel) {
        std::unique_ptr<Channel>& made = channels_[channel.index];
        if (!made) {
            made = std::make_unique<Channel>(*this);
            made->state.channelHz = static_cast<std::uint64_t>(std::llround(channel.hz));
        }
        return *made;
    }

    // The channel's records as the output takes them: heard when in the capture, and by the
    // clock as the options say; stamped final only when followed.
    RecordEvents ChannelRecordEvents(Channel& channel) {
        RecordEvents events = output_.Events(channel.state);
        events.recordStart = [this, &channel, start = events.recordStart](const StreamRecord& r) {
            if (start)
                start(Placed(r, channel));
        };
        events.recordEnd = [this, &channel, end = events.recordEnd](const StreamRecord& r) {
            ++channel.calls;
            writing_ = &channel;
            if (end)
                end(Placed(r, channel));
        };
        return events;
    }

    StreamRecord Placed(const StreamRecord& record, const Channel& channel) const {
        StreamRecord placed = record;
        if (placed.heard) {
            HeardInfo& heard = *placed.heard;
            heard.seconds = std::round((heard.seconds + channel.openedAt) * 1000.0) / 1000.0;
            if (options_.startTime)
                heard.utc = IsoTime(*options_.startTime + std::llround(heard.seconds * 1000.0));
            else if (!options_.follow)
                heard.utc.clear();
        }
        if (!options_.follow)
            placed.finalTime.clear();
        return placed;
    }

    const std::string& name_;
    const OutputChoice& choice_;
    const BandRunOptions& options_;
    const OutputTarget& userTarget_;
    bool textByChannel_;
    OutputTarget target_;
    RunOutput output_;
    ChannelStats channelStats_;
    std::vector<std::unique_ptr<Channel>> channels_; // by the plan's index; made when opened
    Channel* writing_ = nullptr;                     // whose record is being written
    channelizer::BandReceiver receiver_;
};

void Drain(RecordOutput& records, const OutputTarget& target) {
    const std::string text = records.Take();
    if (!text.empty())
        target.write(text);
}

} // namespace

std::string LeftOverWarning(std::size_t leftOverBytes, channelizer::IqFormat format) {
    const channelizer::IqFormatInfo& info = channelizer::Info(format);
    return "the capture ends " + std::to_string(leftOverBytes) +
           (leftOverBytes == 1 ? " byte" : " bytes") + " into a " +
           std::to_string(2 * info.valueBytes) +
           "-byte I/Q pair: it was cut short, has an odd byte count, or is not --iq " +
           std::string(info.name) + "; what came before is decoded";
}

BandRunResult RunBand(IqSource& source, const channelizer::BandPlan& plan,
                      const OutputChoice& choice, const BandRunOptions& options,
                      const OutputTarget& target, RecordOutput* records) {
    BandRun run(source.name(), plan, choice, options, target, records);
    BandRunResult result;
    if (records != nullptr && !options.follow) {
        records->writer().BeginFile(source.name());
        Drain(*records, target);
    }
    channelizer::IqConverter converter(source.format());
    std::vector<channelizer::Complex> samples;
    StreamProgress progress{"decoding", 0, options.bytesTotal};
    // Only the source's failure ends the run here: one of the output (standard output closed)
    // goes on up.
    std::uint64_t breaks = source.breaks();
    while (!Stopped(options)) {
        std::optional<std::span<const char>> piece;
        try {
            piece = source.Read();
        } catch (const FileError& error) {
            result.failure = error;
            break;
        }
        if (!piece)
            break;
        if (source.breaks() != breaks) {
            breaks = source.breaks();
            run.Break();
        }
        samples.clear();
        converter.Convert({reinterpret_cast<const std::uint8_t*>(piece->data()), piece->size()},
                          samples);
        run.Feed(samples);
        result.samples += samples.size();
        progress.bytesDone += piece->size();
        if (options.progress)
            options.progress(progress);
    }
    run.Finish();
    if (records == nullptr && !options.follow)
        run.WriteReports();
    result.calls = run.calls();
    if (records != nullptr && !options.follow) {
        records->writer().EndFile(run.stats());
        Drain(*records, target);
    }
    result.leftOverBytes = converter.heldBytes();
    if (target.warn) {
        // A source that failed before its first sample is said by its failure alone.
        if (result.samples == 0) {
            if (!result.failure)
                target.warn("the capture holds no IQ samples");
        } else if (result.calls == 0) {
            target.warn("no call was heard on its " + std::to_string(plan.channels().size()) +
                        " channels (a signal opened " + std::to_string(run.opened()) + " of them)");
        }
        // A source that failed was cut off wherever it failed: its failure says why.
        if (result.leftOverBytes > 0 && !result.failure)
            target.warn(LeftOverWarning(result.leftOverBytes, source.format()));
    }
    result.stats = run.stats();
    result.channels = run.channelStats();
    return result;
}

} // namespace vantrel
