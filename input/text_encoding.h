// Texts as Windows writes them: Notepad's "Unicode" (UTF-16 with a byte order mark, or without
// it as some programs write it) and UTF-8 with a byte order mark. They become the UTF-8 a plain
// file holds, so their bits, lines and columns are those of the plain file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// UTF-16 is either way round, with its mark or without it.
enum class TextEncoding { Plain, Utf8WithMark, Utf16Le, Utf16Be };

// How many first bytes tell a text's encoding.
inline constexpr std::size_t EncodingBytes = 8;

// The encoding the first EncodingBytes bytes tell (fewer at the end of a text): the one their
// byte order mark announces; without a mark, UTF-16 when every other byte is zero and no other
// is, as in UTF-16 of Latin text, which a bit text is (a plain text holds no zero byte, and two
// characters are the least that tell); Plain otherwise.
TextEncoding TextEncodingOf(std::string_view firstBytes);

// Turns a text in any of the encodings into plain UTF-8 as its pieces come, whatever their
// sizes: the mark is dropped, a character split between two pieces is joined. What UTF-16
// cannot mean (a lone surrogate, an odd last byte) becomes U+FFFD, the replacement character,
// so it stands in the bit string as a character that is not a bit, where it stood.
class TextDecoder {
public:
    // Appends the plain text of `bytes` to `out`. The encoding is told by the first bytes
    // (TextEncodingOf), which are held until they have come.
    void Feed(std::string_view bytes, std::string& out);
    // The end of the text: what is left of a split character.
    void Finish(std::string& out);
    // The encoding the first bytes told, once they have come (or the text ended); Plain before.
    TextEncoding encoding() const { return encoding_; }

private:
    void FeedUtf16(std::string_view bytes, std::string& out);
    void Unit(std::uint16_t unit, std::string& out);

    bool decided_ = false;
    TextEncoding encoding_ = TextEncoding::Plain;
    std::string head_;           // the first bytes, until the mark is known
    int pendingByte_ = -1;       // the first byte of a UTF-16 unit split between pieces
    std::uint16_t highHalf_ = 0; // a high surrogate waiting for its low half
};

// A hint for the user when a text holds no "0" or "1": what its first bytes look like instead
// (binary data such as raw sound, UTF-16 without its mark, full-width digits). Empty when
// nothing stands out.
std::string_view NoBitsHint(std::string_view firstBytes);

// Whether a text starting with `firstBytes` holds bits separated by blanks ("0 1 1 0"): blanks
// inside a field are characters of the field, so no pattern is found in such a text.
bool LooksLikeSpacedBits(std::string_view firstBytes);

} // namespace vantrel
