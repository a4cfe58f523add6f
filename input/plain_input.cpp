#include "plain_input.h"

#include "decompress.h"
#include "file_error.h"
#include "text_encoding.h"

#include <filesystem>
#include <memory>
#include <system_error>

namespace vantrel {

namespace {

// Enough of an input's start to tell its compression and its text encoding.
constexpr std::size_t MagicLength = 8;
constexpr std::size_t CopySize = std::size_t{1} << 18;

// The compressed bytes of `raw`, read on from where the last call stopped.
CompressedReader ReaderOf(const RawInput& raw) {
    return [&raw, offset = std::uint64_t{0}](char* buffer, std::size_t size) mutable {
        const std::size_t got = raw.ReadAt(offset, buffer, size);
        offset += got;
        return got;
    };
}

} // namespace

std::string StartOf(const RawInput& input, std::size_t count) {
    std::string start(count, '\0');
    start.resize(input.ReadAt(0, start.data(), count));
    return start;
}

RawInput OpenPlain(const std::string& path, std::size_t memoryLimit) {
    return MadePlain(RawInput::Open(path, memoryLimit), memoryLimit);
}

RawInput MadePlain(RawInput raw, std::size_t memoryLimit) {
    const std::string head = StartOf(raw, MagicLength);
    const Compression compression = CompressionOf(head);
    if (compression == Compression::None && TextEncodingOf(head) == TextEncoding::Plain)
        return raw;
    Spool spool(raw.path(), memoryLimit);
    TextDecoder text;
    std::string plain;
    const auto take = [&](std::string_view piece) {
        plain.clear();
        text.Feed(piece, plain);
        spool.Append(plain);
        return true;
    };
    if (compression != Compression::None) {
        Decompress(compression, raw.path(), ReaderOf(raw), take);
    } else {
        const std::unique_ptr<char[]> piece(new char[CopySize]);
        const CompressedReader read = ReaderOf(raw);
        for (std::size_t got = 0; (got = read(piece.get(), CopySize)) > 0;)
            take(std::string_view(piece.get(), got));
    }
    plain.clear();
    text.Finish(plain);
    spool.Append(plain);
    return spool.Finish();
}

std::string PlainStartOfFile(const std::string& path, std::size_t count) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return {}; // a pipe's bytes would be lost to whoever reads it next
    std::string start;
    try {
        const RawInput raw = RawInput::Open(path, 0);
        start = StartOf(raw, count);
        const Compression compression = CompressionOf(start);
        if (compression == Compression::None)
            return start;
        start.clear();
        Decompress(compression, path, ReaderOf(raw), [&](std::string_view piece) {
            start.append(piece.substr(0, count - start.size()));
            return start.size() < count;
        });
    } catch (const FileError&) {
        // What came before the damage still tells what the file is; opening it says the rest.
    }
    return start;
}

std::string FollowRefusal(std::string_view firstBytes) {
    const Compression compression = CompressionOf(firstBytes);
    if (compression != Compression::None)
        return "a " + std::string(CompressionName(compression)) +
               "-compressed file cannot be followed as it grows; decode it without --follow";
    const TextEncoding encoding = TextEncodingOf(firstBytes);
    if (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be)
        return "a UTF-16 text cannot be followed as it grows; decode it without --follow, or "
               "write it as UTF-8";
    return {};
}

} // namespace vantrel
