// Any bytes as a compressed recording: the decompressor (gzip, xz, zstd, by the first bytes,
// else by the first byte's choice), then the text encodings over what came out.
#include "decompress.h"
#include "file_error.h"
#include "require.h"
#include "text_encoding.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using fuzz::Require;

// A bomb is cut off here: the decompressor streams, so what it made so far is all it holds.
constexpr std::size_t ContentLimit = std::size_t{8} << 20;
constexpr std::size_t LargestPiece = std::size_t{1} << 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    vantrel::Compression compression = vantrel::CompressionOf(input);
    if (compression == vantrel::Compression::None && !input.empty()) {
        const vantrel::Compression choice[] = {vantrel::Compression::Gzip, vantrel::Compression::Xz,
                                               vantrel::Compression::Zstd};
        compression = choice[static_cast<unsigned char>(input[0]) % 3];
        input.remove_prefix(1);
    }
    // Read in small pieces, so that every format's state crosses piece boundaries.
    std::size_t at = 0;
    std::string content;
    try {
        vantrel::Decompress(
            compression, "input",
            [&](char* buffer, std::size_t want) {
                const std::size_t n = std::min({want, std::size_t{997}, input.size() - at});
                std::copy_n(input.data() + at, n, buffer);
                at += n;
                return n;
            },
            [&](std::string_view piece) {
                Require(!piece.empty() && piece.size() <= LargestPiece);
                content.append(piece);
                return content.size() < ContentLimit;
            });
    } catch (const vantrel::FileError& error) {
        Require(error.path() == "input" && !error.description().empty());
    }

    // The text decoder gives the same text whole and cut in two.
    const std::string_view text(content.data(), std::min<std::size_t>(content.size(), 1 << 16));
    std::string whole;
    vantrel::TextDecoder once;
    once.Feed(text, whole);
    once.Finish(whole);
    std::string cut;
    vantrel::TextDecoder twice;
    twice.Feed(text.substr(0, text.size() / 2), cut);
    twice.Feed(text.substr(text.size() / 2), cut);
    twice.Finish(cut);
    Require(whole == cut);
    static_cast<void>(vantrel::NoBitsHint(text));
    return 0;
}
