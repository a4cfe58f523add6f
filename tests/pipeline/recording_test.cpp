// Opening a recording: sound is told by its content, whatever the name, and a demodulated
// bit knows when and how it was heard.
#include "recording.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class RecordingFiles : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("recording-test-" +
                   std::to_string(::testing::UnitTest::GetInstance()->current_test_info()->line()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    fs::path folder_;
};

// The sample's sound copied under a bit text's name is still sound; a bit text named like
// sound is still a bit text.
TEST_F(RecordingFiles, SoundIsToldByContentNotByName) {
    std::ifstream sample(VANTREL_SAMPLES "/two-calls.wav", std::ios::binary);
    const std::string sound{std::istreambuf_iterator<char>(sample), {}};
    ASSERT_GT(sound.size(), 1000U);
    const std::string disguised = Write("calls.txt", sound);
    const std::string bitText = Write("calls.wav", "0101,1100\r\n");

    EXPECT_EQ(vantrel::KindOfFile(disguised)->content, vantrel::Content::Sound);
    EXPECT_EQ(vantrel::KindOfFile(bitText)->content, vantrel::Content::BitText);
    EXPECT_FALSE(vantrel::KindOfFile((folder_ / "missing.wav").string()).has_value());

    const vantrel::Recording heard = vantrel::OpenRecording(disguised, demod::Polarity::Auto, 0);
    ASSERT_TRUE(heard.heard.has_value());
    EXPECT_FALSE(heard.heard->transmissions().empty());
    EXPECT_GT(heard.bits->Size(), 0U);

    const vantrel::Recording text = vantrel::OpenRecording(bitText, demod::Polarity::Auto, 0);
    EXPECT_FALSE(text.heard.has_value());
    EXPECT_EQ(text.bits->Size(), 11U); // the bytes as they are: fields join as they are read
}

// Two transmissions of 1200 bits at 1200 bit/s: a bit's time is its transmission's start and
// the bits before it, to the millisecond; the level and Eb/N0 are its transmission's.
TEST(HeardAt, TimeLevelAndCleannessOfTheTransmissionThatHoldsTheBit) {
    vantrel::TransmissionMap map;
    map.Add({0, 1200, 2.0, 3.0, -20.0, 15.0, false});
    map.Add({1200, 1200, 10.0, 11.0, -30.0, 9.0, false});

    struct Case {
        std::uint64_t bit;
        double seconds;
        double level;
    };
    for (const Case& c : {Case{0, 2.0, -20.0}, Case{600, 2.5, -20.0}, Case{1199, 2.999, -20.0},
                          Case{1200, 10.0, -30.0}, Case{1201, 10.001, -30.0}}) {
        const std::optional<vantrel::HeardInfo> info = vantrel::HeardAt(map, c.bit);
        ASSERT_TRUE(info.has_value()) << c.bit;
        EXPECT_DOUBLE_EQ(info->seconds, c.seconds) << c.bit;
        EXPECT_EQ(info->levelDbfs, c.level) << c.bit;
        EXPECT_EQ(info->ebN0Db, c.level == -20.0 ? 15.0 : 9.0) << c.bit;
    }
    EXPECT_FALSE(vantrel::HeardAt(map, 2400).has_value());
}

} // namespace
