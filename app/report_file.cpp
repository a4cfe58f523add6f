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
#include <unistd.h> // fsync
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

// A new, empty file in `folder` that no one else uses. The name does not grow with the
// report's name, so a report whose name is close to the system's length limit can still be
// saved.
std::FILE* CreateTemporaryFile(const std::string& folder, const std::string& reportPath,
                               std::string& tempPath) {
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
            ThrowFileError(reportPath, errno);
        }
    }
    ThrowFileError(reportPath, EEXIST);
}

// Writes the bytes and makes sure they reached the disk before the old report is replaced;
// returns 0 or the system's error number.
int WriteAndClose(std::FILE* file, std::string_view text) {
    int error = 0;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
        std::fwrite(ReportLineEnd.data(), 1, ReportLineEnd.size(), file) != ReportLineEnd.size() ||
        std::fflush(file) != 0) {
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
    const std::string folder = reportPath.substr(0, FileNameStart(reportPath));

    std::string tempPath;
    std::FILE* file = CreateTemporaryFile(folder, reportPath, tempPath);
    std::error_code ignored;
    if (const int error = WriteAndClose(file, reportText); error != 0) {
        fs::remove(tempPath, ignored);
        ThrowFileError(reportPath, error);
    }

    // A replaced report keeps the access rights its owner gave it.
    const fs::file_status old = fs::status(reportPath, ignored);
    if (fs::is_regular_file(old)) {
        fs::permissions(tempPath, old.permissions(), ignored);
    }

    std::error_code renameError;
    fs::rename(tempPath, reportPath, renameError);
    if (renameError) {
        fs::remove(tempPath, ignored);
        throw FileError(reportPath, renameError.message());
    }
}

} // namespace vantrel
