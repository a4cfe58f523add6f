// What an input is, told once from its first bytes where it is opened and carried with it from
// there, and what each way of reading an input does with each kind, in one table. Nothing after
// the opening reads an input's first bytes again to decide.
#pragma once

#include "plain_input.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// What an input's plain content is.
enum class Content {
    BitText,       // "0" and "1" characters in fields and lines
    MarkedBitText, // vantrel-demod's output: a bit text with the marks of its transmissions
    Sound,         // a sound container (WAV, FLAC, Ogg, AIFF, ...)
    Mpeg,          // MP3 with its ID3 tag: sound that is not read
    RawPcm,        // headerless samples: named by --raw --rate, never told by the bytes, which
                   // are read as they are (a live pipe as it comes)
};

struct InputKind {
    Content content = Content::BitText;
    Compression compression = Compression::None; // what the content came packed in
    TextEncoding encoding = TextEncoding::Plain; // the text encoding made plain UTF-8

    bool operator==(const InputKind&) const = default;
};

// How many first bytes of the plain content tell every kind apart.
inline constexpr std::size_t KindBytes = 15;

// The one rule: the kind of an input that came as `start` says. Raw PCM is never told by
// bytes: the user names it.
InputKind KindOf(const PlainStart& start);

// The kind of the regular file at `path`, from its first bytes, decompressed and decoded only
// as far as needed; nothing for anything else (a pipe's bytes would be lost to the decode) or
// a file that cannot be opened (decoding it then says why).
std::optional<InputKind> KindOfFile(const std::string& path);

// How the whole-file decode reads a content.
enum class WholeReading {
    Bits,       // the plain bytes are the bit text
    MarkedBits, // the same, the marks read for where each transmission was heard
    Sound,      // demodulated whole
    Refused,    // not read, with the rule's reason
};

// How follow mode reads a content as it arrives.
enum class FollowReading { Bits, MarkedBits, WavStream, RawStream };

// What every way of reading an input does with one content.
struct ContentRule {
    Content content;
    WholeReading whole;
    std::string_view wholeRefusal; // WholeReading::Refused: why
    FollowReading follow;
    bool foundByRecursion; // -r takes such a file whatever its name
};

const ContentRule& RuleFor(Content content);

// Why an input of `kind` cannot be followed as it grows (a compressed file is complete only at
// its end; a UTF-16 text is not read piece by piece); empty when it can.
std::string FollowRefusal(const InputKind& kind);

} // namespace vantrel
