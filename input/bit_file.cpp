#include "bit_file.h"

#include "file_error.h"
#include "huge_pages.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

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

namespace {

[[noreturn]] void ThrowFileError(const std::string& path, int error) {
    throw FileError(path, std::strerror(error));
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Size of a regular file, or 0 for anything else (standard input, a pipe, a device); it is
// only a hint for the first allocation, so a file that changes meanwhile does no harm.
std::size_t SizeHint(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return 0;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

// Reads the stream to its end. The text is reserved at the file's size and filled through a
// small buffer that stays in the cache: sizing the text up front would first write zeros over
// every page of it only to overwrite them, and on a large recording that costs as much as the
// read itself. A stream that grows, or cannot tell its size, simply makes the text grow.
std::string ReadAll(std::FILE* file, const std::string& path, std::size_t sizeHint) {
    constexpr std::size_t ChunkSize = std::size_t{1} << 18;
    std::string content;
    content.reserve(sizeHint);
    AdviseHugePages(content.data(), content.capacity());
    const std::unique_ptr<char[]> chunk(new char[ChunkSize]);
    for (;;) {
        errno = 0;
        const std::size_t got = std::fread(chunk.get(), 1, ChunkSize, file);
        content.append(chunk.get(), got);
        if (got < ChunkSize) {
            if (std::ferror(file) != 0) {
                ThrowFileError(path, errno != 0 ? errno : EIO);
            }
            break;
        }
    }
    return content;
}

} // namespace

std::string ReadBitFile(const std::string& path) {
    if (path == "-") {
#ifdef _WIN32
        _setmode(_fileno(stdin), _O_BINARY);
#endif
        std::string text = ReadAll(stdin, path, 0);
        JoinFieldsInPlace(text);
        return text;
    }
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        ThrowFileError(path, errno != 0 ? errno : EIO);
    }
    std::string text = ReadAll(file.get(), path, SizeHint(path));
    JoinFieldsInPlace(text);
    return text;
}

} // namespace vantrel
