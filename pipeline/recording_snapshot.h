// A recording opened from a copy of its file, for a reader that comes back to it: the window
// makes its report again for the other level and for a save, and those must be made from the
// bytes the user saw decoded, even after the file was rewritten, replaced, or its stick pulled
// out.
#pragma once

#include "recording.h"

#include <string>

namespace vantrel {

// Copies the file at `path` (as far as it reaches when opened) into a temporary file and opens
// the copy as vantrel-decode opens its inputs (OpenRecording: a bit text, marked or not, or
// sound; compressed or not). The copy has no name once opened and goes with the recording.
// Where no copy can be made (the temporary folder is full or missing), the file itself is
// opened: the report is the same, only a later change of the file would show in it. Throws
// FileError naming `path`.
Recording OpenRecordingSnapshot(const std::string& path);

} // namespace vantrel
