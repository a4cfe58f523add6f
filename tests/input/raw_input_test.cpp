// A pipe cannot be read twice, so RawInput keeps it: in memory up to a limit, beyond that in a
// temporary file. Whichever way it went, every byte must read back where it was written.
#include "raw_input.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <ostream>
#include <random>
#include <string>
#include <system_error>
#include <thread>

namespace {

// Bytes no two places of which are likely to look alike, so a lost or repeated piece shows.
std::string Noise(std::size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// Opens the read end of a pipe the way a user names it, while a thread writes `bytes` into it.
vantrel::RawInput OpenPipe(const std::string& bytes, std::size_t memoryLimit) {
    int ends[2];
    if (::pipe(ends) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    std::thread writer([&bytes, end = ends[1]] {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t wrote = ::write(end, bytes.data() + done, bytes.size() - done);
            if (wrote <= 0)
                break;
            done += static_cast<std::size_t>(wrote);
        }
        ::close(end);
    });
    try {
        vantrel::RawInput input =
            vantrel::RawInput::Open("/dev/fd/" + std::to_string(ends[0]), memoryLimit);
        writer.join();
        ::close(ends[0]);
        return input;
    } catch (...) {
        // The writer still waits for a reader: give it one, or the test hangs.
        char sink[4096];
        while (::read(ends[0], sink, sizeof sink) > 0) {
        }
        writer.join();
        ::close(ends[0]);
        throw;
    }
}

struct SpoolCase {
    const char* name;
    std::size_t size;
    std::size_t memoryLimit;
};

void PrintTo(const SpoolCase& c, std::ostream* out) {
    *out << c.size << " bytes, " << c.memoryLimit << " of them kept in memory";
}

class PipeSpool : public testing::TestWithParam<SpoolCase> {};

TEST_P(PipeSpool, EveryByteReadsBackWhereItWasWritten) {
    const std::string sent = Noise(GetParam().size);
    const vantrel::RawInput input = OpenPipe(sent, GetParam().memoryLimit);
    ASSERT_EQ(input.Size(), sent.size());
    // Pieces of an odd size, so that reads cross wherever the spool changed hands.
    std::string back(sent.size(), '\0');
    constexpr std::size_t Piece = 4099;
    for (std::size_t at = 0; at < back.size(); at += Piece)
        ASSERT_EQ(input.ReadAt(at, back.data() + at, std::min(Piece, back.size() - at)),
                  std::min(Piece, back.size() - at))
            << "at " << at;
    const auto differ = std::mismatch(sent.begin(), sent.end(), back.begin());
    EXPECT_EQ(differ.first, sent.end()) << "first difference at " << differ.first - sent.begin();
}

INSTANTIATE_TEST_SUITE_P(
    Pipes, PipeSpool,
    testing::Values(SpoolCase{"AllInMemory", 300'000, 1'000'000},
                    // Many pipe reads kept in memory before the input outgrows it.
                    SpoolCase{"MemoryThenTemporaryFile", 3'000'000, 1'000'000},
                    SpoolCase{"TemporaryFileFromTheStart", 300'000, 0}),
    [](const testing::TestParamInfo<SpoolCase>& info) { return info.param.name; });

} // namespace
