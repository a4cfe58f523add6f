#include "input_kind.h"

#include "audio_file.h"
#include "file_error.h"
#include "transmission_marks.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <system_error>

namespace vantrel {

namespace {

// content, the whole-file decode (and why it refuses), follow mode, whether -r takes it.
constexpr ContentRule ContentRules[] = {
    {Content::BitText, WholeReading::Bits, {}, FollowReading::Bits, false},
    {Content::MarkedBitText, WholeReading::MarkedBits, {}, FollowReading::MarkedBits, false},
    {Content::Sound, WholeReading::Sound, {}, FollowReading::WavStream, true},
    // Follow mode's WAV reader says itself that it reads WAV only.
    {Content::Mpeg, WholeReading::Refused, MpegDescription, FollowReading::WavStream, true},
    // Named by the user, never found by its bytes.
    {Content::RawPcm, WholeReading::Sound, {}, FollowReading::RawStream, false},
};

} // namespace

InputKind KindOf(const PlainStart& start) {
    InputKind kind;
    kind.compression = start.compression;
    kind.encoding = start.encoding;
    const std::string_view bytes(start.bytes);
    if (LooksLikeMpeg(bytes))
        kind.content = Content::Mpeg;
    else if (LooksLikeAudio(bytes))
        kind.content = Content::Sound;
    else if (StartsMarked(bytes))
        kind.content = Content::MarkedBitText;
    return kind;
}

std::optional<InputKind> KindOfFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    try {
        const RawInput raw = RawInput::Open(path, 0);
        return KindOf(PlainStartOf(raw, KindBytes));
    } catch (const FileError&) {
        return std::nullopt;
    }
}

const ContentRule& RuleFor(Content content) {
    return *std::find_if(std::begin(ContentRules), std::end(ContentRules),
                         [content](const ContentRule& rule) { return rule.content == content; });
}

std::string FollowRefusal(const InputKind& kind) {
    if (kind.compression != Compression::None)
        return "a " + std::string(CompressionName(kind.compression)) +
               "-compressed file cannot be followed as it grows; decode it without --follow";
    if (kind.encoding == TextEncoding::Utf16Le || kind.encoding == TextEncoding::Utf16Be)
        return "a UTF-16 text cannot be followed as it grows; decode it without --follow, or "
               "write it as UTF-8";
    return {};
}

} // namespace vantrel
