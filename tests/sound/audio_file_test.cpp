// The audio reader: every container, channel choice, raw PCM, and the inputs it must refuse.
#include "audio_file.h"

#include "../harness/scratch_folder.h"
#include "file_error.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using testing_files::ScratchFolder;
using vantrel::AudioFile;
using vantrel::FileError;

// Channel c of frame i: distinct ramps per channel, so a wrong channel or a lost or repeated
// frame shows up.
float TestSample(std::size_t i, int c) {
    return static_cast<float>(((i * 37 + static_cast<std::size_t>(c) * 1000) % 2001)) / 2000.0F -
           0.5F;
}

void WriteSound(const std::string& path, int format, int rate, int channels, std::size_t frames) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<float> data(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                TestSample(i, c);
    ASSERT_EQ(sf_writef_float(file, data.data(), static_cast<sf_count_t>(frames)),
              static_cast<sf_count_t>(frames));
    sf_close(file);
}

std::vector<float> ReadAll(AudioFile& audio) {
    std::vector<float> all;
    while (const std::optional<std::span<const float>> piece = audio.Read())
        all.insert(all.end(), piece->begin(), piece->end());
    return all;
}

// The description of the FileError that `open` throws, or "" when it throws none.
template <typename Open> std::string OpenError(Open open) {
    try {
        open();
    } catch (const FileError& error) {
        return error.description();
    }
    return "";
}

struct Container {
    const char* name;
    int format;
    float tolerance; // lossy formats only come near
};

class AudioFileTest : public ScratchFolder {
protected:
    // What a second of mono sound in `format` gives when cut to its first keep(whole size)
    // bytes: the samples read and whether the reader said the file ended early.
    struct CutRead {
        std::size_t samples;
        bool endedEarly;
    };
    template <typename Keep> CutRead ReadCut(const char* name, int format, Keep keep) {
        const std::string path = PathOf(name);
        WriteSound(path, format, 8000, 1, 8000);
        const std::string whole = ReadFile(path);
        WriteFile(path, whole.substr(0, keep(whole.size())));
        AudioFile audio = AudioFile::Open(path);
        const std::size_t samples = ReadAll(audio).size();
        return {samples, audio.endedEarly()};
    }
};

TEST_F(AudioFileTest, ReadsEveryContainerAndChannel) {
    const Container containers[] = {
        {"a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1.0F / 16384},
        {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1.0F / 16384},
        {"a.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 1.0F / 4e6F},
        {"a.wav32", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1e-7F},
        {"a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.25F},
    };
    const std::size_t frames = 20000; // several pieces
    for (const Container& container : containers) {
        const std::string path = PathOf(container.name);
        WriteSound(path, container.format, 16000, 3, frames);
        for (int channel = 1; channel <= 3; ++channel) {
            SCOPED_TRACE(std::string(container.name) + " channel " + std::to_string(channel));
            AudioFile audio = AudioFile::Open(path, channel);
            EXPECT_EQ(audio.sampleRate(), 16000);
            EXPECT_EQ(audio.channels(), 3);
            const std::vector<float> samples = ReadAll(audio);
            ASSERT_EQ(samples.size(), frames);
            double error = 0;
            for (std::size_t i = 0; i < frames; ++i)
                error = std::max(error, std::abs(double(samples[i]) - TestSample(i, channel - 1)));
            EXPECT_LE(error, container.tolerance);
            EXPECT_FALSE(audio.endedEarly());
        }
    }
}

TEST_F(AudioFileTest, TheContentDecidesNotTheName) {
    const std::string path = PathOf("recording.txt");
    WriteSound(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 8000, 1, 100);
    AudioFile audio = AudioFile::Open(path);
    EXPECT_EQ(ReadAll(audio).size(), 100U);
}

TEST_F(AudioFileTest, ReadsRawLittleEndianPcmSplitAnywhere) {
    // An odd number of bytes per read cannot be arranged from a file, but the values and the
    // byte order can: -32768, -1, 0, 1, 32767, 0x1234.
    const std::string bytes("\x00\x80\xff\xff\x00\x00\x01\x00\xff\x7f\x34\x12", 12);
    const std::string path = PathOf("raw.pcm");
    WriteFile(path, bytes);
    AudioFile audio = AudioFile::OpenRaw(path, 48000);
    EXPECT_EQ(audio.sampleRate(), 48000);
    const std::vector<float> expected{-1.0F,        -1.0F / 32768,    0.0F,
                                      1.0F / 32768, 32767.0F / 32768, 0x1234 / 32768.0F};
    EXPECT_EQ(ReadAll(audio), expected);
    EXPECT_FALSE(audio.endedEarly());
}

TEST_F(AudioFileTest, RawStreamCutInsideASample) {
    const std::string path = PathOf("raw.pcm");
    WriteFile(path, std::string("\x00\x40\x00", 3));
    AudioFile audio = AudioFile::OpenRaw(path, 8000);
    EXPECT_EQ(ReadAll(audio), std::vector<float>{0.5F});
    EXPECT_TRUE(audio.endedEarly());
}

TEST_F(AudioFileTest, TruncatedWavGivesWhatItHoldsAndSaysSo) {
    // The header, 3000 samples and a half.
    const CutRead cut = ReadCut("cut.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                                [](std::size_t) { return std::size_t{44 + 2 * 3000 + 1}; });
    EXPECT_EQ(cut.samples, 3000U);
    EXPECT_TRUE(cut.endedEarly);
}

TEST_F(AudioFileTest, TruncatedAiffSaysSo) {
    const CutRead cut = ReadCut("cut.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16,
                                [](std::size_t whole) { return whole / 2; });
    EXPECT_GT(cut.samples, 3000U);
    EXPECT_TRUE(cut.endedEarly);
}

TEST_F(AudioFileTest, StreamedWavOfUnknownLengthIsNotCut) {
    // Written to a pipe, a WAV cannot know its length and announces the largest it can.
    const std::string path = PathOf("streamed.wav");
    WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 1000);
    std::string bytes = ReadFile(path);
    for (const std::string_view mark : {"\xff\xff\xff\xff", "\xff\xff\xff\x7f"}) {
        bytes.replace(4, 4, mark);
        bytes.replace(bytes.find("data") + 4, 4, mark);
        WriteFile(path, bytes);
        AudioFile audio = AudioFile::Open(path);
        EXPECT_EQ(ReadAll(audio).size(), 1000U);
        EXPECT_FALSE(audio.endedEarly());
    }
}

TEST_F(AudioFileTest, FloatSamplesOutsideFullScaleAreTamed) {
    const std::string path = PathOf("wild.wav");
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    // Written as they are, not normalised.
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
    const float wild[] = {NAN, INFINITY, -INFINITY, 3.0F, -1e30F, 0.25F};
    sf_writef_float(file, wild, 6);
    sf_close(file);
    AudioFile audio = AudioFile::Open(path);
    EXPECT_EQ(ReadAll(audio), (std::vector<float>{0.0F, 0.0F, 0.0F, 1.0F, -1.0F, 0.25F}));
}

TEST_F(AudioFileTest, RefusesWhatItCannotRead) {
    const std::string text = PathOf("bits.txt");
    WriteFile(text, "0101010101010101\r\n");
    const std::string empty = PathOf("empty.wav");
    WriteFile(empty, "");
    const std::string slow = PathOf("slow.wav");
    WriteSound(slow, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 4000, 1, 10);
    const std::string fast = PathOf("fast.wav");
    WriteSound(fast, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 384000, 1, 10);
    const std::string stereo = PathOf("stereo.wav");
    WriteSound(stereo, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2, 10);
    const std::string badCodec = PathOf("codec.wav");
    {
        // A WAV header that announces a codec nobody knows.
        std::string bytes = ReadFile(stereo);
        bytes[20] = '\x34';
        bytes[21] = '\x12';
        WriteFile(badCodec, bytes);
    }

    // MP3: with its tag it is said to be MP3, a bare frame sync (as any 0xFF bytes) is not
    // taken for sound.
    const std::string mp3 = PathOf("call.mp3");
    WriteFile(mp3, std::string("ID3\x04\0\0\0\0\0\0\xff\xfb\x90\x64", 14));
    const std::string frameSync = PathOf("frames.bin");
    WriteFile(frameSync, std::string(4000, '\xff'));

    const std::string notAudio(vantrel::NotAudioDescription);
    const struct {
        std::string path;
        int channel;
        std::string description;
    } cases[] = {
        {text, 1, notAudio},
        {frameSync, 1, notAudio},
        {mp3, 1, std::string(vantrel::MpegDescription)},
        {empty, 1, notAudio},
        {PathOf("missing.wav"), 1, "No such file or directory"},
        {PathOf(""), 1, "Is a directory"},
        {slow, 1, "unsupported sample rate 4000 Hz: 8000 to 192000 Hz are read"},
        {fast, 1, "unsupported sample rate 384000 Hz: 8000 to 192000 Hz are read"},
        {stereo, 3, "there is no channel 3: the file has 2"},
        {stereo, 0, "there is no channel 0: the file has 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(OpenError([&] { AudioFile::Open(c.path, c.channel); }), c.description);
    }
    // Sound, but not sound this reader can take: not mistaken for "not audio".
    const std::string codecError = OpenError([&] { AudioFile::Open(badCodec); });
    EXPECT_TRUE(codecError.starts_with("unreadable or unsupported audio file: ")) << codecError;

    EXPECT_EQ(OpenError([&] { AudioFile::OpenRaw(text, 7999); }),
              "unsupported sample rate 7999 Hz: 8000 to 192000 Hz are read");
    EXPECT_EQ(OpenError([&] { AudioFile::OpenRaw(PathOf("missing.pcm"), 8000); }),
              "No such file or directory");
}

TEST_F(AudioFileTest, MemoryAndFileReadAlike) {
    const std::string path = PathOf("a.wav");
    WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2, 5000);
    AudioFile fromFile = AudioFile::Open(path, 2);
    AudioFile fromMemory = AudioFile::FromMemory(ReadFile(path), "a.wav", 2);
    EXPECT_EQ(fromMemory.sampleRate(), 22050);
    EXPECT_EQ(ReadAll(fromMemory), ReadAll(fromFile));
    EXPECT_EQ(OpenError([] { AudioFile::FromMemory("not sound", "x"); }),
              std::string(vantrel::NotAudioDescription));
}

TEST(LooksLikeAudio, KnowsTheMagicNumbers) {
    using namespace std::string_view_literals;
    const struct {
        std::string_view head;
        bool audio;
    } cases[] = {
        {"RIFF\x24\0\0\0"
         "WAVEfmt "sv,
         true},
        {"RIFX\0\0\0\x24"
         "WAVEfmt "sv,
         true},
        {"RF64\xff\xff\xff\xff"
         "WAVEds64"sv,
         true},
        {"RIFF\x24\0\0\0"
         "AVI LIST"sv,
         false}, // a RIFF, but a video
        {"fLaC\0\0\0\x22"sv, true},
        {"OggS\0\x02"sv, true},
        {"FORM\0\0\x10\0"
         "AIFFCOMM"sv,
         true},
        {"FORM\0\0\x10\0"
         "AIFCFVER"sv,
         true},
        {"FORM\0\0\x10\0"
         "ILBMBMHD"sv,
         false},
        {".snd\0\0\0\x18"sv, true},
        {"ID3\x04\0\0"sv, true},       // MP3: sound, though refused
        {"\xff\xfb\x90\x64"sv, false}, // a bare MPEG frame sync, as any 0xFF bytes
        {"RIF"sv, false},
        {""sv, false},
        {"0101010101010101"sv, false},
        {"\"0101\",\"1100\"\r\n"sv, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vantrel::LooksLikeAudio(c.head), c.audio) << c.head;
}

} // namespace
