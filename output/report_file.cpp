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
#include <fcntl.h>  // AT_FDCWD
#include <unistd.h> // fsync, faccessat, ftruncate
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

// Writes the text and the ending and makes sure they reached the disk; returns 0 or the
// system's error number. The file is closed in every case.
int WriteAndClose(std::FILE* file, std::string_view text, std::string_view ending) {
    int error = 0;
    errno = 0;
    if (!WriteAll(file, text) || !WriteAll(file, ending) || std::fflush(file) != 0) {
        error = errno != 0 ? errno : EIO;
    }
#ifndef _WIN32
    if (error == 0 && fsync(fileno(file)) != 0) {
        error = errno;
    }
#endif
    errno = 0;
    if (std::fclose(file) != 0 && error == 0) {
        error = errno != 0 ? errno : EIO;
    }
    return error;
}

// The file a report name stands for: a symbolic link is followed (link by link, as the
// system would), so that saving replaces the file it points to and the link stays.
std::filesystem::path FollowLinks(const std::string& reportPath) {
    namespace fs = std::filesystem;
    fs::path path = reportPath;
    std::error_code error;
    // The system gives up after 40 links; a loop of links then fails when it is opened.
    for (int links = 0; links < 40 && fs::is_symlink(fs::symlink_status(path, error)); ++links) {
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

// Writes over an existing file from its start and cuts it to the new length: the bytes that
// already hold the old text need no new room on the disk. Returns 0 or the system's error.
int Overwrite(const std::string& target, std::string_view text, std::string_view ending) {
    errno = 0;
    std::FILE* file = std::fopen(target.c_str(), "r+b");
    if (file == nullptr)
        return errno != 0 ? errno : EIO;
    errno = 0;
    if (!WriteAll(file, text) || !WriteAll(file, ending) || std::fflush(file) != 0) {
        const int error = errno != 0 ? errno : EIO;
        std::fclose(file);
        return error;
    }
#ifndef _WIN32
    if (ftruncate(fileno(file), static_cast<off_t>(text.size() + ending.size())) != 0) {
        const int error = errno;
        std::fclose(file);
        return error;
    }
#endif
    return WriteAndClose(file, {}, {});
}

// The only way left to save into a folder where no new file can be made: rewrite the
// report itself. Its old text is read first, so a write that fails half-way can put it back.
void RewriteInPlace(const std::string& reportPath, const std::string& target,
                    std::string_view reportText) {
    std::string previous;
    errno = 0;
    std::FILE* in = std::fopen(target.c_str(), "rb");
    if (in == nullptr) {
        ThrowFileError(reportPath, errno);
    }
    std::array<char, 65536> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
        previous.append(buffer.data(), got);
    }
    const bool readFailed = std::ferror(in) != 0;
    const int readError = errno;
    std::fclose(in);
    if (readFailed) {
        ThrowFileError(reportPath, readError);
    }

    if (const int error = Overwrite(target, reportText, ReportLineEnd); error != 0) {
        if (const int restoreError = Overwrite(target, previous, {}); restoreError != 0) {
            throw FileError(reportPath, std::string(std::strerror(error)) +
                                            "; the earlier report could not be put back: " +
                                            std::strerror(restoreError));
        }
        ThrowFileError(reportPath, error);
    }
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

std::string FileNamePart(std::string_view path) {
    return std::string(path.substr(FileNameStart(path)));
}

std::string SavedStatusText(std::string_view reportPath) {
    std::string text(SavedStatus);
    text.append(reportPath.substr(FileNameStart(reportPath)));
    return text;
}

void SaveReport(const std::string& reportPath, std::string_view reportText) {
    namespace fs = std::filesystem;
    const fs::path followed = FollowLinks(reportPath);
    std::error_code ignored;
    // Still a link after the system's limit: a loop. Replacing it would break the loop's links.
    if (fs::is_symlink(fs::symlink_status(followed, ignored))) {
        ThrowFileError(reportPath, ELOOP);
    }
    const std::string target = followed.string();
    const std::string folder = target.substr(0, FileNameStart(target));

    const fs::file_status old = fs::status(target, ignored);
    // A report its owner made read-only stays as it is, as a plain write would leave it.
    if (fs::is_regular_file(old)) {
        if (const int error = WriteAccess(target); error != 0) {
            ThrowFileError(reportPath, error);
        }
    }

    std::string tempPath;
    int createError = 0;
    std::FILE* file = CreateTemporaryFile(folder, tempPath, createError);
    if (file == nullptr) {
        if ((createError == EACCES || createError == EPERM) && fs::is_regular_file(old)) {
            RewriteInPlace(reportPath, target, reportText);
            return;
        }
        ThrowFileError(reportPath, createError);
    }
    if (const int error = WriteAndClose(file, reportText, ReportLineEnd); error != 0) {
        fs::remove(tempPath, ignored);
        ThrowFileError(reportPath, error);
    }

    // A replaced report keeps the access rights its owner gave it.
    if (fs::is_regular_file(old)) {
        fs::permissions(tempPath, old.permissions(), ignored);
    }

    std::error_code renameError;
    fs::rename(tempPath, target, renameError);
    if (renameError) {
        fs::remove(tempPath, ignored);
        throw FileError(reportPath, renameError.message());
    }
}

} // namespace vantrel
