#include "bit_file.h"

#include "huge_pages.h"
#include "plain_input.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace vantrel {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDelimiter(char c) {
    return c == ',' || c == '\r' || c == '\n';
}

// True when one of the eight bytes at `p` is below ',' + 1. Every delimiter is, while the bits
// of a recording ("0" and "1") are not, so a field is mostly crossed eight bytes at a time.
// A byte with its top bit set never counts, which is right: none of them is a delimiter.
bool AnyByteUpToComma(const char* p) {
    constexpr std::uint64_t EveryByte = 0x0101010101010101ULL;
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return ((word - EveryByte * (',' + 1)) & ~word & (EveryByte * 0x80U)) != 0;
}

// Where the field that starts at `pos` ends: at the next comma, CR or LF, or at the end.
std::size_t FieldEnd(const std::string& text, std::size_t pos) {
    const std::size_t size = text.size();
    while (size - pos >= 8) {
        if (!AnyByteUpToComma(text.data() + pos)) {
            pos += 8;
            continue;
        }
        for (const std::size_t group = pos + 8; pos < group; ++pos) {
            if (IsDelimiter(text[pos])) {
                return pos;
            }
        }
    }
    while (pos < size && !IsDelimiter(text[pos])) {
        ++pos;
    }
    return pos;
}

// Moves text[begin, end) to text[out...]; out never lies behind begin, so the move only ever
// goes towards the front. Returns the new write position.
std::size_t MoveField(std::string& text, std::size_t out, std::size_t begin, std::size_t end) {
    if (out != begin) {
        std::memmove(text.data() + out, text.data() + begin, end - begin);
    }
    return out + (end - begin);
}

// One pass over the text, joining within its own storage: the joined text is never longer
// than the content, so a 100 MB recording needs no second buffer of that size, and every
// field moves as one piece.
//
// A quoted field ends at its closing quote. Whatever follows that quote up to the next
// delimiter is not thrown away: it is read as a further field of its own (blanks trimmed,
// a leading quote opening another quoted part) and joined like any other, so no character
// of the recording is lost to a stray quote. A quote that is never closed runs to the end of
// the content, everything after it kept as it stands.
void JoinFieldsInPlace(std::string& text) {
    const std::size_t size = text.size();
    std::size_t out = 0;
    std::size_t pos = 0;
    while (pos < size) {
        // At the start of a field: drop its leading blanks.
        while (pos < size && IsBlank(text[pos])) {
            ++pos;
        }
        if (pos == size) {
            break;
        }
        if (text[pos] == '"') {
            const std::size_t open = pos + 1;
            const std::size_t close = text.find('"', open);
            const std::size_t end = close == std::string::npos ? size : close;
            out = MoveField(text, out, open, end);
            pos = close == std::string::npos ? size : close + 1;
            continue; // what follows the closing quote starts a new field
        }
        const std::size_t begin = pos;
        pos = FieldEnd(text, pos);
        std::size_t end = pos;
        while (end > begin && IsBlank(text[end - 1])) {
            --end;
        }
        out = MoveField(text, out, begin, end);
        if (pos < size) {
            ++pos; // the delimiter itself vanishes
        }
    }
    text.resize(out);
}

} // namespace

std::string JoinFields(std::string_view content) {
    std::string text(content);
    JoinFieldsInPlace(text);
    return text;
}

std::string RemoveLineFeeds(std::string text) {
    // The join has already removed the line ends; what is left can only sit inside quotes,
    // so a quick look usually finds nothing to remove.
    if (text.find('\n') == std::string::npos) {
        return text;
    }
    std::erase(text, '\n');
    return text;
}

std::string ReadBitFile(const std::string& path) {
    return ReadBitFile(OpenPlain(path, SpoolMemoryLimit));
}

// The text is reserved at the input's size and filled through a small buffer that stays in
// the cache: sizing the text up front would first write zeros over every page of it only to
// overwrite them, and on a large recording that costs as much as the read itself.
std::string ReadBitFile(const RawInput& input) {
    constexpr std::size_t ChunkSize = std::size_t{1} << 18;
    std::string text;
    text.reserve(static_cast<std::size_t>(input.Size()));
    AdviseHugePages(text.data(), text.capacity());
    const std::unique_ptr<char[]> chunk(new char[ChunkSize]);
    for (std::size_t got = 0; (got = input.ReadAt(text.size(), chunk.get(), ChunkSize)) > 0;)
        text.append(chunk.get(), got);
    JoinFieldsInPlace(text);
    return text;
}

} // namespace vantrel
