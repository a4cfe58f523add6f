// Compressed recordings: each format gives its content back whole however it is read, in
// pieces of bounded size; a truncated or damaged archive is an error naming the file and the
// format, never a shorter content taken for the whole.
#include "../harness/gzip_bytes.h"
#include "decompress.h"
#include "file_error.h"

#include <gtest/gtest.h>
#include <lzma.h>
#include <zstd.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

using vantrel::Compression;

// A bit text of `size` bytes that compresses, but not to nothing.
std::string BitText(std::size_t size) {
    std::mt19937 random(11);
    std::string text;
    while (text.size() < size)
        text += (random() % 8 == 0) ? "\r\n" : ((random() & 1) != 0U ? "1" : "0");
    return text;
}

using gzip_bytes::Gzip;

std::string Xz(const std::string& content) {
    std::string out(lzma_stream_buffer_bound(content.size()), '\0');
    std::size_t size = 0;
    lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr,
                            reinterpret_cast<const std::uint8_t*>(content.data()), content.size(),
                            reinterpret_cast<std::uint8_t*>(out.data()), &size, out.size());
    out.resize(size);
    return out;
}

std::string Zstd(const std::string& content) {
    const std::unique_ptr<ZSTD_CCtx, std::size_t (*)(ZSTD_CCtx*)> context(ZSTD_createCCtx(),
                                                                          ZSTD_freeCCtx);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, 1); // as the zstd program does
    std::string out(ZSTD_compressBound(content.size()), '\0');
    out.resize(
        ZSTD_compress2(context.get(), out.data(), out.size(), content.data(), content.size()));
    return out;
}

struct Format {
    const char* name;
    Compression compression;
    std::string (*compress)(const std::string&);
};

const Format Formats[] = {{"gzip", Compression::Gzip, Gzip},
                          {"xz", Compression::Xz, Xz},
                          {"zstd", Compression::Zstd, Zstd}};

// The content of `archive` read in pieces of `pieceSize`, and the largest piece handed on.
std::string Decompressed(const std::string& archive, std::size_t pieceSize,
                         std::size_t* largestPiece = nullptr) {
    std::size_t at = 0;
    std::string content;
    vantrel::Decompress(
        vantrel::CompressionOf(archive), "day.txt.gz",
        [&](char* buffer, std::size_t size) {
            const std::size_t n = std::min({size, pieceSize, archive.size() - at});
            std::copy_n(archive.data() + at, n, buffer);
            at += n;
            return n;
        },
        [&](std::string_view piece) {
            content += piece;
            if (largestPiece != nullptr)
                *largestPiece = std::max(*largestPiece, piece.size());
            return true;
        });
    return content;
}

void PrintTo(const Format& format, std::ostream* out) {
    *out << format.name;
}

class Decompression : public testing::TestWithParam<Format> {};

TEST_P(Decompression, GivesTheContentInBoundedPiecesHoweverItIsRead) {
    const std::string content = BitText(200000);
    const std::string archive = GetParam().compress(content);
    ASSERT_EQ(vantrel::CompressionOf(archive), GetParam().compression);
    for (const std::size_t pieceSize : {std::size_t{1} << 20, std::size_t{4093}, std::size_t{1}}) {
        std::size_t largest = 0;
        EXPECT_EQ(Decompressed(archive, pieceSize, &largest), content) << "pieces of " << pieceSize;
        // Streamed: a piece at a time, never the whole content at once.
        EXPECT_LE(largest, std::size_t{1} << 16);
    }
    // A content far larger than its archive: its last pieces come after all input was taken.
    const std::string zeros(std::size_t{1} << 22, '0');
    EXPECT_EQ(Decompressed(GetParam().compress(zeros), 4093), zeros);
    // Archives one after the other are one content, as the programs of each format read them.
    EXPECT_EQ(Decompressed(archive + GetParam().compress("0101"), 4093), content + "0101");
}

TEST_P(Decompression, TruncatedOrDamagedIsAnErrorNamingTheFileAndTheFormat) {
    const std::string archive = GetParam().compress(BitText(100000));
    std::string flipped = archive;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
    const std::string broken[] = {archive.substr(0, archive.size() / 2),
                                  archive.substr(0, archive.size() - 1), flipped};
    for (const std::string& input : broken) {
        try {
            Decompressed(input, 4093);
            ADD_FAILURE() << GetParam().name << " of " << input.size() << " bytes was taken whole";
        } catch (const vantrel::FileError& error) {
            EXPECT_EQ(error.path(), "day.txt.gz");
            EXPECT_TRUE(error.description().starts_with(std::string(GetParam().name) + " data: "))
                << error.description();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Decompression, testing::ValuesIn(Formats),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
