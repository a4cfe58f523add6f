// The sound vantrel-demod reads.
#pragma once

#include "demodulate_sound.h"

#include <string>

namespace vantrel {

// Opens `path` ("-": standard input) as OpenAudio does: a pipe is demodulated as it comes. A
// sound file compressed with gzip, xz or zstd is decompressed first, as vantrel-decode reads
// it (told by its content, whatever its name). Throws FileError naming `path`.
AudioFile OpenDemodInput(const std::string& path, const AudioOptions& options);

} // namespace vantrel
