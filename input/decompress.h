// Compressed recordings (gzip, xz, zstd), told by their first bytes whatever their names, and
// read as a stream: the whole content is never held, however large it unpacks.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vantrel {

enum class Compression { None, Gzip, Xz, Zstd };

// The compression the first bytes of an input announce; six bytes are enough.
Compression CompressionOf(std::string_view firstBytes);

// "gzip", "xz", "zstd".
std::string_view CompressionName(Compression compression);

// Fills `buffer` with up to `size` next bytes of the compressed input; 0 at its end. Throws
// FileError when reading fails.
using CompressedReader = std::function<std::size_t(char* buffer, std::size_t size)>;
// Takes the next piece of the content; false stops the decompression (enough was seen).
using ContentWriter = std::function<bool(std::string_view piece)>;

// Decompresses `compression` read by `read`, handing the content to `write` piece by piece.
// A damaged or truncated input throws FileError(path, the library's reason) once the content
// that precedes the damage has been handed on.
void Decompress(Compression compression, const std::string& path, const CompressedReader& read,
                const ContentWriter& write);

} // namespace vantrel
