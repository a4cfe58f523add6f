// Where a report is saved, and saving it.
#pragma once

#include <cstdio>
#include <filesystem>
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

// The report name of an input about to be saved: ReportFileName, except that an input not
// named NAME.txt whose folder also holds a NAME.txt is saved as NAME.EXT-decoded.txt
// (scanner.wav beside scanner.txt: scanner.wav-decoded.txt), so that a recording and its bit
// text each keep a report. Every other name stays the one the window gives.
std::optional<std::string> SavedReportFileName(std::string_view inputPath);

// A report being saved, written piece by piece and followed by CR LF, 8-bit, replacing an
// existing file only once it is whole. The text goes to a temporary file in the same folder
// first and is renamed over the old one, so a failed save leaves the previous report intact;
// an uncommitted save (an error, an exception) removes its temporary file. Throws FileError,
// with the name as given.
// - A report name that is a symbolic link of the process's own user or of root: the file it
//   points to is replaced, in its own folder, and the link stays. A link of any other user
//   (planted in a shared folder) is not followed, and nothing is saved: the rule the system
//   applies to links in sticky folders (protected_symlinks), applied everywhere.
// - An existing report the process may not write (made read-only): refused with the
//   system's description ("Permission denied"), the file untouched.
// - A writable report in a folder where no file can be made: the text waits in an unnamed
//   temporary file and the report is then rewritten in place; its old text is copied aside
//   first and written back when the rewrite fails.
class ReportFile {
public:
    explicit ReportFile(const std::string& reportPath);
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    void Write(std::string_view piece);
    // Ends the text with CR LF, makes sure it reached the disk and puts it in place.
    void Commit();

private:
    std::string reportPath_; // as given, for messages
    std::string target_;     // the file replaced: the report, or where its links lead
    std::string tempPath_;   // empty when the text waits in an unnamed file (in place)
    std::FILE* file_ = nullptr;
    bool oldIsFile_ = false;
    std::filesystem::perms oldPermissions_ = std::filesystem::perms::none;
};

// The whole report saved at once, as above.
void SaveReport(const std::string& reportPath, std::string_view reportText);

} // namespace vantrel
