// An input is told what it is once, where it is opened, and every way of reading it does what
// its kind says: the whole-file decode, follow mode (through a pipe, as a live input comes) and
// -r, whose decode takes the kind -r told. One row per kind of input; each is read by all.
#include "../harness/gzip_bytes.h"
#include "../harness/scratch_folder.h"
#include "encoder.h"
#include "file_error.h"
#include "input_kind.h"
#include "record_stream.h"
#include "recording.h"
#include "transmission_marks.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using gzip_bytes::Gzip;
using testing_files::ScratchFolder;
using vantrel::Compression;
using vantrel::Content;
using vantrel::InputKind;
using vantrel::TextEncoding;

std::string Sample(const char* name) {
    std::ifstream in(std::string(VANTREL_SAMPLES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Notepad's "Unicode": UTF-16 little-endian with its byte order mark (the text is ASCII).
std::string Utf16(const std::string& text) {
    std::string out("\xff\xfe");
    for (const char c : text)
        out += std::string{c, '\0'};
    return out;
}

std::string Call(std::uint32_t from) {
    encoder::Header header;
    header.from = from;
    return encoder::CallBlock(header);
}

// vantrel-demod's text of one transmission: the header line, the bits, the mark after them.
std::string MarkedCall() {
    return vantrel::MarksHeaderLine() + "\r\n" + Call(0x111) + "\r\n" +
           vantrel::TransmissionMarkLine({1.5, 1.7, -20, 15, false}) + "\r\n";
}

// What the whole-file decode made of an input, told where it is opened or `known` already (as
// -r found it): how it read it, or why it did not.
std::string Whole(const std::string& path, int rawRate,
                  const std::optional<InputKind>& known = std::nullopt) {
    vantrel::AudioOptions audio;
    audio.rawSampleRate = rawRate;
    try {
        const vantrel::Recording recording = vantrel::OpenRecording(path, audio, 0, known);
        if (recording.marked)
            return recording.heard ? "marked" : "marked without transmissions";
        return recording.heard ? "sound" : "bits";
    } catch (const vantrel::FileError& error) {
        return error.description();
    }
}

// What follow mode made of `bytes` arriving through a pipe: its records, or why it refused.
std::string Follow(const std::string& bytes, int rawRate) {
    int ends[2];
    if (::pipe(ends) != 0)
        return "no pipe";
    std::thread writer([&] {
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t done = ::write(ends[1], bytes.data() + at, bytes.size() - at);
            if (done <= 0)
                break;
            at += static_cast<std::size_t>(done);
        }
        ::close(ends[1]);
    });
    vantrel::StreamOptions options;
    options.sound.rawSampleRate = rawRate;
    std::size_t records = 0;
    std::size_t heard = 0;
    vantrel::RecordEvents events;
    events.recordEnd = [&](const vantrel::StreamRecord& record) {
        ++records;
        heard += record.heard ? 1 : 0;
    };
    std::string outcome;
    try {
        vantrel::StreamFollow("/dev/fd/" + std::to_string(ends[0]), options, events);
        outcome = std::to_string(records) + (heard == records ? " heard" : "") + " records";
        if (heard != 0 && heard != records)
            outcome = "some heard records";
    } catch (const vantrel::FileError& error) {
        outcome = error.description();
    }
    // A refused input is not read to its end: the writer is let go.
    char drain[4096];
    while (::read(ends[0], drain, sizeof drain) > 0) {
    }
    writer.join();
    ::close(ends[0]);
    return outcome;
}

struct KindCase {
    const char* name;
    std::string bytes;
    InputKind told;        // what its first bytes tell, where it is opened and for -r
    int rawRate;           // --raw --rate names it raw PCM instead
    std::string whole;     // what the whole-file decode does
    std::string follow;    // what follow mode does
    bool foundByRecursion; // -r takes it whatever its name
};

class InputKinds : public ScratchFolder {};

TEST_F(InputKinds, EachKindIsReadAsItIsToldByEveryPath) {
    const std::string wav = Sample("two-calls.wav");
    const std::string refusedGzip =
        "a gzip-compressed file cannot be followed as it grows; decode it without --follow";
    const std::string refusedUtf16 = "a UTF-16 text cannot be followed as it grows; decode it "
                                     "without --follow, or write it as UTF-8";
    const std::string wavOnly =
        "not a WAV file: a followed sound is read as WAV, or raw with --raw --rate";
    const KindCase cases[] = {
        {"bit text", Call(0x111) + "\r\n", {Content::BitText}, 0, "bits", "1 records", false},
        {"marked bit text",
         MarkedCall(),
         {Content::MarkedBitText},
         0,
         "marked",
         "1 heard records",
         false},
        {"WAV", wav, {Content::Sound}, 0, "sound", "2 heard records", true},
        {"MP3",
         "ID3\x04" + std::string(40, '\0'),
         {Content::Mpeg},
         0,
         std::string(vantrel::MpegDescription),
         wavOnly,
         true},
        {"gzip bit text",
         Gzip(Call(0x111) + "\r\n"),
         {Content::BitText, Compression::Gzip},
         0,
         "bits",
         refusedGzip,
         false},
        {"gzip WAV", Gzip(wav), {Content::Sound, Compression::Gzip}, 0, "sound", refusedGzip, true},
        {"UTF-16 marked text",
         Utf16(MarkedCall()),
         {Content::MarkedBitText, Compression::None, TextEncoding::Utf16Le},
         0,
         "marked",
         refusedUtf16,
         false},
        // Its bytes are samples that tell nothing: --raw names it.
        {"raw PCM", wav.substr(44), {Content::BitText}, 8000, "sound", "2 heard records", false},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = PathOf(c.name);
        WriteFile(path, c.bytes);
        EXPECT_EQ(vantrel::OpenInput(path, 0).kind, c.told);
        EXPECT_EQ(vantrel::KindOfFile(path), c.told);
        EXPECT_EQ(Whole(path, c.rawRate), c.whole);
        EXPECT_EQ(Whole(path, c.rawRate, c.told), c.whole) << "as -r found it";
        EXPECT_EQ(Follow(c.bytes, c.rawRate), c.follow);
        EXPECT_EQ(vantrel::RuleFor(c.told.content).foundByRecursion, c.foundByRecursion);
    }
}

} // namespace
