#include "demod_input.h"

#include "file_error.h"
#include "input_kind.h"
#include "recording.h"

#include <memory>
#include <optional>

namespace vantrel {

AudioFile OpenDemodInput(const std::string& path, const AudioOptions& options) {
    // Only a regular file can be looked into before the sound-file library reads it: a pipe
    // gives its first bytes once.
    const std::optional<InputKind> kind =
        options.rawSampleRate == 0 && path != "-" ? KindOfFile(path) : std::nullopt;
    if (!kind || kind->compression == Compression::None)
        return OpenAudio(path, options);
    const ContentRule& rule = RuleFor(kind->content);
    if (rule.whole == WholeReading::Refused)
        throw FileError(path, std::string(rule.wholeRefusal));
    if (kind->content != Content::Sound)
        throw FileError(path, std::string(NotAudioDescription));
    // Decompressed into memory or a temporary file, which the sound reads from as long as it
    // lives.
    const auto opened = std::make_shared<OpenedInput>(OpenInput(path, SpoolMemoryLimit, kind));
    const RawInput& bytes = *opened->plain;
    return AudioFile::FromBytes(
        [opened](std::uint64_t offset, char* buffer, std::size_t size) {
            return opened->plain->ReadAt(offset, buffer, size);
        },
        bytes.Size(), path, options.channel);
}

} // namespace vantrel
