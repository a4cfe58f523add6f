#include "report_file.h"

#include "file_error.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>    // AT_FDCWD
#include <sys/stat.h> // lstat
#include <unistd.h>   // fsync, faccessat, ftruncate, geteuid
#endif

namespace vantrel {

namespace {

// Windows also accepts the forward slash between folders.
#ifdef _WIN32
constexpr std::string_view Separators = "\\/";
#else
constexpr std::string_view Separators = "/";
#endif

constexpr std::string_view ReportSuffix = "-decoded.txt";
constexpr std::string_view BitTextExtension = ".txt";
constexpr std::string_view SavedStatus = "Decoded file saved as ";
constexpr std::string_view ReportLineEnd = "\r\n";

// Index of the first character of the file name in a path.
std::size_t FileNameStart(std::string_view path) {
    const std::size_t separator = path.find_last_of(Separators);
    return separator == std::string_view::npos ? 0 : separator + 1;
}

[[noreturn]] void ThrowFileError(const std::string& path, int error) {
    throw FileError(path, std::strerror(error != 0 ? error : EIO));
}

// A new, empty file in `folder` that no one else uses, or null with the system's error
// number in `error`. The name does not grow with the report's name, so a report whose name
// is close to the system's length limit can still be saved.
std::FILE* CreateTemporaryFile(const std::string& folder, std::string& tempPath, int& error) {
    std::random_device random;
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::array<char, 8> suffix{};
        const auto written = std::to_chars(suffix.data(), suffix.data() + suffix.size(),
                                           static_cast<std::uint32_t>(random()), 16);
        tempPath = folder + "vantrel-" + std::string(suffix.data(), written.ptr) + ".tmp";
        errno = 0;
        // "x": fail rather than take over a file that happens to have this name.
        if (std::FILE* file = std::fopen(tempPath.c_str(), "wbx")) {
            return file;
        }
        if (errno != EEXIST) {
            error = errno != 0 ? errno : EIO;
            return nullptr;
        }
    }
    error = EEXIST;
    return nullptr;
}

// An empty text may have no data at all, which fwrite must not be given.
bool WriteAll(std::FILE* file, std::string_view text) {
    return text.empty() || std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

int LastError() {
    return errno != 0 ? errno : EIO;
}

// Makes sure what was written reached the disk; returns 0 or the system's error number. The
// file is closed in every case.
int SyncAndClose(std::FILE* file) {
    int error = 0;
    errno = 0;
    if (std::fflush(file) != 0) {
        error = LastError();
    }
#ifndef _WIN32
    if (error == 0 && fsync(fileno(file)) != 0) {
        error = errno;
    }
#endif
    errno = 0;
    if (std::fclose(file) != 0 && error == 0) {
        error = LastError();
    }
    return error;
}

#ifndef _WIN32
// Why a link on the way to the report is not followed: it belongs to someone else than the
// user saving and than root, so whoever planted it would choose which file gets replaced.
std::string LinkRefusal(const std::string& reportPath, const std::filesystem::path& link,
                        uid_t owner) {
    const std::string whose = "a symbolic link of another user (uid " + std::to_string(owner) +
                              "): not followed, nothing saved";
    if (link == std::filesystem::path(reportPath)) {
        return "is " + whose;
    }
    return "leads through " + link.string() + ", " + whose;
}
#endif

// The file a report name stands for: a symbolic link is followed (link by link, as the
// system would), so that saving replaces the file it points to and the link stays. A link of
// another user than the one saving and than root is refused (throws FileError).
std::filesystem::path FollowLinks(const std::string& reportPath) {
    namespace fs = std::filesystem;
    fs::path path = reportPath;
    std::error_code error;
    // The system gives up after 40 links; a loop of links then fails when it is opened.
    for (int links = 0; links < 40 && fs::is_symlink(fs::symlink_status(path, error)); ++links) {
#ifndef _WIN32
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && link.st_uid != ::geteuid() && link.st_uid != 0) {
            throw FileError(reportPath, LinkRefusal(reportPath, path, link.st_uid));
        }
#endif
        const fs::path target = fs::read_symlink(path, error);
        if (error) {
            break;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

// 0 when the process may write the existing file, else the system's error number.
int WriteAccess(const std::string& path) {
#ifndef _WIN32
    errno = 0;
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        return errno != 0 ? errno : EACCES;
    }
#else
    (void)path;
#endif
    return 0;
}

// Copies `from`, from its start, to the end of `to`; returns the bytes copied, or -1 with the
// system's error number in `error`. The copy goes through a fixed buffer: a report of any
// size takes no more memory.
std::int64_t CopyFrom(std::FILE* from, std::FILE* to, int& error) {
    std::array<char, 65536> buffer{};
    std::int64_t copied = 0;
    errno = 0;
    if (std::fseek(from, 0, SEEK_SET) != 0) {
        error = LastError();
        return -1;
    }
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), from)) > 0) {
        if (!WriteAll(to, {buffer.data(), got})) {
            error = LastError();
            return -1;
        }
        copied += static_cast<std::int64_t>(got);
    }
    if (std::ferror(from) != 0) {
        error = LastError();
        return -1;
    }
    return copied;
}

// Writes `text` (a whole file) over an existing file from its start and cuts it to the new
// length: the bytes that already hold the old text need no new room on the disk. Returns 0 or
// the system's error.
int Overwrite(const std::string& target, std::FILE* text) {
    errno = 0;
    std::FILE* file = std::fopen(target.c_str(), "r+b");
    if (file == nullptr)
        return LastError();
    int error = 0;
    const std::int64_t length = CopyFrom(text, file, error);
    if (length >= 0 && std::fflush(file) != 0) {
        error = LastError();
    }
#ifndef _WIN32
    if (error == 0 && ftruncate(fileno(file), static_cast<off_t>(length)) != 0) {
        error = errno;
    }
#endif
    const int closeError = SyncAndClose(file);
    return error != 0 ? error : closeError;
}

// The only way left to save into a folder where no new file can be made: rewrite the report
// itself from `text`. Its old text is copied aside first, so a write that fails half-way can
// put it back.
void RewriteInPlace(const std::string& reportPath, const std::string& target, std::FILE* text) {
    errno = 0;
    std::FILE* in = std::fopen(target.c_str(), "rb");
    if (in == nullptr) {
        ThrowFileError(reportPath, errno);
    }
    errno = 0;
    std::FILE* previous = std::tmpfile();
    int error = previous == nullptr ? LastError() : 0;
    if (previous != nullptr && CopyFrom(in, previous, error) < 0) {
        std::fclose(previous);
        previous = nullptr;
    }
    std::fclose(in);
    if (previous == nullptr) {
        ThrowFileError(reportPath, error);
    }

    error = Overwrite(target, text);
    if (error != 0) {
        const int restoreError = Overwrite(target, previous);
        std::fclose(previous);
        if (restoreError != 0) {
            throw FileError(reportPath, std::string(std::strerror(error)) +
                                            "; the earlier report could not be put back: " +
                                            std::strerror(restoreError));
        }
        ThrowFileError(reportPath, error);
    }
    std::fclose(previous);
}

} // namespace

// An empty folder stands for the working folder: the name alone, not a path from the root.
std::string InputPathFor(std::string_view folder, std::string_view fileName) {
    std::string path;
    path.reserve(folder.size() + 1 + fileName.size());
    path.append(folder);
    if (!folder.empty() && folder.back() != PathSeparator) {
        path.push_back(PathSeparator);
    }
    path.append(fileName);
    return path;
}

// Only a "." in the file name itself counts. A "." in a folder name ("/data/run.2010/rx")
// would otherwise put the report into a different folder under a name of another file.
std::optional<std::string> ReportFileName(std::string_view inputPath) {
    const std::size_t dot = inputPath.rfind('.');
    if (dot == std::string_view::npos || dot < FileNameStart(inputPath)) {
        return std::nullopt;
    }
    std::string name;
    name.reserve(dot + ReportSuffix.size());
    name.append(inputPath.substr(0, dot));
    name.append(ReportSuffix);
    return name;
}

// Only a bit text beside it changes the name: the names people rely on (a recording saved
// alone) stay. Two sound files of one NAME and no bit text still share a name; a run refuses
// the second rather than lose a report.
std::optional<std::string> SavedReportFileName(std::string_view inputPath) {
    std::optional<std::string> name = ReportFileName(inputPath);
    if (!name || inputPath.ends_with(BitTextExtension)) {
        return name;
    }
    std::string bitText(inputPath.substr(0, inputPath.rfind('.')));
    bitText.append(BitTextExtension);
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(bitText, ignored)) {
        return name;
    }
    std::string distinct(inputPath);
    distinct.append(ReportSuffix);
    return distinct;
}

std::string FileNamePart(std::string_view path) {
    return std::string(path.substr(FileNameStart(path)));
}

std::string SavedStatusText(std::string_view reportPath) {
    std::string text(SavedStatus);
    text.append(reportPath.substr(FileNameStart(reportPath)));
    return text;
}

ReportFile::ReportFile(const std::string& reportPath) : reportPath_(reportPath) {
    namespace fs = std::filesystem;
    const fs::path followed = FollowLinks(reportPath);
    std::error_code ignored;
    // Still a link after the system's limit: a loop. Replacing it would break the loop's links.
    if (fs::is_symlink(fs::symlink_status(followed, ignored))) {
        ThrowFileError(reportPath, ELOOP);
    }
    target_ = followed.string();
    const std::string folder = target_.substr(0, FileNameStart(target_));

    const fs::file_status old = fs::status(target_, ignored);
    // Found before the decode, not at the rename after it.
    if (fs::is_directory(old)) {
        ThrowFileError(reportPath, EISDIR);
    }
    oldIsFile_ = fs::is_regular_file(old);
    oldPermissions_ = old.permissions();
    // A report its owner made read-only stays as it is, as a plain write would leave it.
    if (oldIsFile_) {
        if (const int error = WriteAccess(target_); error != 0) {
            ThrowFileError(reportPath, error);
        }
    }

    int createError = 0;
    file_ = CreateTemporaryFile(folder, tempPath_, createError);
    if (file_ != nullptr) {
        return;
    }
    tempPath_.clear();
    if ((createError == EACCES || createError == EPERM) && oldIsFile_) {
        errno = 0;
        file_ = std::tmpfile(); // the text waits there, to be written in place
        if (file_ != nullptr) {
            return;
        }
        createError = LastError();
    }
    ThrowFileError(reportPath, createError);
}

ReportFile::~ReportFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (!tempPath_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(tempPath_, ignored);
    }
}

void ReportFile::Write(std::string_view piece) {
    errno = 0;
    if (!WriteAll(file_, piece)) {
        ThrowFileError(reportPath_, LastError());
    }
}

void ReportFile::Commit() {
    namespace fs = std::filesystem;
    Write(ReportLineEnd);
    if (tempPath_.empty()) {
        RewriteInPlace(reportPath_, target_, file_);
        return;
    }
    const int error = SyncAndClose(file_);
    file_ = nullptr;
    if (error != 0) {
        ThrowFileError(reportPath_, error);
    }
    // A replaced report keeps the access rights its owner gave it.
    std::error_code ignored;
    if (oldIsFile_) {
        fs::permissions(tempPath_, oldPermissions_, ignored);
    }
    std::error_code renameError;
    fs::rename(tempPath_, target_, renameError);
    if (renameError) {
        throw FileError(reportPath_, renameError.message());
    }
    tempPath_.clear();
}

void SaveReport(const std::string& reportPath, std::string_view reportText) {
    ReportFile file(reportPath);
    file.Write(reportText);
    file.Commit();
}

} // namespace vantrel
