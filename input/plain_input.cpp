#include "plain_input.h"

#include "file_error.h"

#include <algorithm>
#include <functional>
#include <memory>

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

bool AlreadyPlain(const PlainStart& start) {
    return start.compression == Compression::None && start.encoding == TextEncoding::Plain;
}

// Hands the plain content of `raw` (packed as `start` says) to `write` piece by piece, until
// it returns false; `start` learns the text encoding the content had.
void MakePlain(const RawInput& raw, PlainStart& start,
               const std::function<bool(std::string_view)>& write) {
    TextDecoder text;
    std::string plain;
    bool more = true;
    const auto take = [&](std::string_view piece) {
        plain.clear();
        text.Feed(piece, plain);
        start.encoding = text.encoding();
        more = write(plain);
        return more;
    };
    if (start.compression != Compression::None) {
        Decompress(start.compression, raw.path(), ReaderOf(raw), take);
    } else {
        const std::unique_ptr<char[]> piece(new char[CopySize]);
        const CompressedReader read = ReaderOf(raw);
        for (std::size_t got = 0; more && (got = read(piece.get(), CopySize)) > 0;)
            take(std::string_view(piece.get(), got));
    }
    if (more) {
        plain.clear();
        text.Finish(plain);
        start.encoding = text.encoding();
        write(plain);
    }
}

void KeepStart(PlainStart& start, std::string_view plain, std::size_t count) {
    if (start.bytes.size() < count)
        start.bytes.append(plain.substr(0, count - start.bytes.size()));
}

// The plain content of `raw`, packed as `start` says, spooled; the first `startCount` plain
// bytes kept in `start`.
RawInput Spooled(const RawInput& raw, std::size_t memoryLimit, PlainStart& start,
                 std::size_t startCount) {
    Spool spool(raw.path(), memoryLimit);
    MakePlain(raw, start, [&](std::string_view plain) {
        KeepStart(start, plain, startCount);
        spool.Append(plain);
        return true;
    });
    return spool.Finish();
}

} // namespace

// A compressed text's encoding is told by the decoder, from the decompressed bytes.
PlainStart StartAsItIs(std::string_view firstBytes) {
    PlainStart start;
    start.compression = CompressionOf(firstBytes);
    if (start.compression == Compression::None)
        start.encoding = TextEncodingOf(firstBytes);
    start.bytes = firstBytes;
    return start;
}

std::string StartOf(const RawInput& input, std::size_t count) {
    std::string start(count, '\0');
    start.resize(input.ReadAt(0, start.data(), count));
    return start;
}

PlainInput OpenPlainInput(const std::string& path, std::size_t memoryLimit,
                          std::size_t startCount) {
    RawInput raw = RawInput::Open(path, memoryLimit);
    PlainStart start = StartAsItIs(StartOf(raw, std::max(MagicLength, startCount)));
    if (AlreadyPlain(start)) {
        start.bytes.resize(std::min(start.bytes.size(), startCount));
        return {std::move(raw), std::move(start)};
    }
    start.bytes.clear();
    RawInput plain = Spooled(raw, memoryLimit, start, startCount);
    return {std::move(plain), std::move(start)};
}

RawInput OpenPlainAs(const std::string& path, std::size_t memoryLimit, Compression compression,
                     TextEncoding encoding) {
    RawInput raw = RawInput::Open(path, memoryLimit);
    PlainStart start;
    start.compression = compression;
    start.encoding = encoding;
    if (AlreadyPlain(start))
        return raw;
    return Spooled(raw, memoryLimit, start, 0);
}

RawInput OpenPlain(const std::string& path, std::size_t memoryLimit) {
    return std::move(OpenPlainInput(path, memoryLimit, 0).bytes);
}

PlainStart PlainStartOf(const RawInput& raw, std::size_t count) {
    PlainStart start = StartAsItIs(StartOf(raw, std::max(MagicLength, count)));
    if (AlreadyPlain(start)) {
        start.bytes.resize(std::min(start.bytes.size(), count));
        return start;
    }
    start.bytes.clear();
    try {
        MakePlain(raw, start, [&](std::string_view plain) {
            KeepStart(start, plain, count);
            return start.bytes.size() < count;
        });
    } catch (const FileError&) {
        // What came before the damage still tells what the input is; decoding it says the rest.
    }
    return start;
}

} // namespace vantrel
