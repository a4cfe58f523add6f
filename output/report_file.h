// Where a report is saved, and saving it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The platform's path separator.
#ifdef _WIN32
inline constexpr char PathSeparator = '\\';
#else
inline constexpr char PathSeparator = '/';
#endif

// The folder and a file name joined; a folder that already ends in the separator gets no
// second one.
std::string InputPathFor(std::string_view folder, std::string_view fileName);

// The input path up to its last "." followed by "-decoded.txt"; no "." means no report file.
std::optional<std::string> ReportFileName(std::string_view inputPath);

// The part of a path after its last separator (the whole path when it has none).
std::string FileNamePart(std::string_view path);

// "Decoded file saved as " and the report file's name without its folder.
std::string SavedStatusText(std::string_view reportPath);

// Writes the report followed by CR LF, 8-bit, replacing an existing file. The text goes to a
// temporary file in the same folder first and is renamed over the old one, so a failed save
// leaves the previous report intact. Throws FileError, with the name as given.
// - A report name that is a symbolic link: the file it points to is replaced, in its own
//   folder, and the link stays.
// - An existing report the process may not write (made read-only): refused with the
//   system's description ("Permission denied"), the file untouched.
// - A writable report in a folder where no file can be made: the report is rewritten in
//   place; its old text is kept in memory first and written back when the write fails.
void SaveReport(const std::string& reportPath, std::string_view reportText);

} // namespace vantrel
