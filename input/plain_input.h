// The bytes of a recording as a plain file holds them, read once whatever the input is: a
// compressed input decompressed, a text in UTF-16 or in UTF-8 with a byte order mark turned
// into plain UTF-8. A plain regular file is read where it lies; anything else is spooled.
#pragma once

#include "raw_input.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

// Opens `path` ("-": standard input) and makes its content plain. Throws FileError when it
// cannot be read, when a compressed input is damaged or truncated (the library's reason), or
// when the temporary file cannot take the content.
RawInput OpenPlain(const std::string& path, std::size_t memoryLimit);

// The same for an input already opened.
RawInput MadePlain(RawInput raw, std::size_t memoryLimit);

// Up to `count` bytes from the start of `input`.
std::string StartOf(const RawInput& input, std::size_t count);

// Up to `count` bytes from the start of the regular file `path`'s plain content, decompressed
// only as far as needed; empty when it cannot be read.
std::string PlainStartOfFile(const std::string& path, std::size_t count);

// Why a file starting with `firstBytes` cannot be followed as it grows (a compressed file is
// complete only at its end; a UTF-16 text is not read piece by piece); empty when it can.
std::string FollowRefusal(std::string_view firstBytes);

} // namespace vantrel
