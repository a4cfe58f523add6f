// The bytes of a recording as a plain file holds them, read once whatever the input is: a
// compressed input decompressed, a text in UTF-16 or in UTF-8 with a byte order mark turned
// into plain UTF-8. A plain regular file is read where it lies; anything else is spooled.
#pragma once

#include "decompress.h"
#include "raw_input.h"
#include "text_encoding.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

// How an input's bytes came, and the first bytes of their plain content: what tells what the
// input is, read while it is opened so that nothing reads them again.
struct PlainStart {
    Compression compression = Compression::None; // what the content came packed in
    TextEncoding encoding = TextEncoding::Plain; // the text encoding made plain UTF-8
    std::string bytes;                           // the plain content's first bytes
};

// An input with its content made plain.
struct PlainInput {
    RawInput bytes;
    PlainStart start;
};

// Opens `path` ("-": standard input) and makes its content plain, keeping its first
// `startCount` plain bytes. Throws FileError when it cannot be read, when a compressed input
// is damaged or truncated (the library's reason), or when the temporary file cannot take the
// content.
PlainInput OpenPlainInput(const std::string& path, std::size_t memoryLimit, std::size_t startCount);

// Opens `path` whose packing was told where it was first opened (`compression`, `encoding`)
// and makes its content plain as that says, reading nothing to tell it again. Throws FileError
// as OpenPlainInput does.
RawInput OpenPlainAs(const std::string& path, std::size_t memoryLimit, Compression compression,
                     TextEncoding encoding);

// The plain content of `path` alone, for a reader that takes any input as a bit text.
RawInput OpenPlain(const std::string& path, std::size_t memoryLimit);

// How `raw` came and up to `count` bytes from the start of its plain content, decompressed
// and decoded only as far as needed: nothing is spooled. A damaged compressed input gives what
// came before the damage, which still tells what it is.
PlainStart PlainStartOf(const RawInput& raw, std::size_t count);

// How bytes taken as they are came (follow mode makes nothing plain): their compression and
// text encoding, and they themselves as the start.
PlainStart StartAsItIs(std::string_view firstBytes);

// Up to `count` bytes from the start of `input`.
std::string StartOf(const RawInput& input, std::size_t count);

} // namespace vantrel
