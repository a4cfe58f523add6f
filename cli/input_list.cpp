#include "input_list.h"

#include "file_error.h"
#include "report_file.h"
#include "tool_output.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <utility>

namespace vantrel::decode {

using tool::ExitFileError;
using tool::WriteErr;

namespace {

// A bit text -r takes: NAME.txt, compressed too, but not a saved report.
bool IsBitTextName(std::string_view name) {
    for (const std::string_view packed : {".gz", ".xz", ".zst"}) {
        if (name.ends_with(packed)) {
            name.remove_suffix(packed.size());
            break;
        }
    }
    return name.ends_with(".txt") && !name.ends_with("-decoded.txt");
}

// A folder as the system knows it, whatever path leads to it.
using FolderId = std::pair<dev_t, ino_t>;

std::optional<FolderId> FolderIdOf(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return std::nullopt;
    return FolderId{status.st_dev, status.st_ino};
}

// What -r finds beneath one folder argument. The folders themselves come first, then those
// that links lead to and that were not found already, so a tree is read under its own names and
// a link that leads back up (or to a folder already read) is read no second time. A folder that
// cannot be read is named in a problem line and sets `status`; the rest is still read.
class FolderWalk {
public:
    explicit FolderWalk(int& status) : status_(status) {}

    std::vector<Input> Walk(const std::filesystem::path& argument) {
        if (const std::optional<FolderId> id = FolderIdOf(argument))
            seen_.insert(*id);
        folders_.push_back(argument);
        while (!folders_.empty() || !links_.empty()) {
            if (folders_.empty()) {
                TakeLinks();
                continue;
            }
            const std::filesystem::path folder = std::move(folders_.back());
            folders_.pop_back();
            Read(folder);
        }
        return std::move(found_);
    }

private:
    void Read(const std::filesystem::path& folder) {
        namespace fs = std::filesystem;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const fs::path& path = it->path();
            std::error_code ignored;
            if (it->is_symlink(ignored) && fs::is_directory(path, ignored)) {
                links_.push_back(path);
            } else if (it->is_directory(ignored)) {
                if (const std::optional<FolderId> id = FolderIdOf(path);
                    id && seen_.insert(*id).second)
                    folders_.push_back(path);
            } else if (it->is_regular_file(ignored)) {
                Take(path);
            }
        }
        if (error) {
            WriteErr(ProblemLine(folder.string(), error.message()));
            status_ = ExitFileError;
        }
    }

    // The folders links lead to, in the order of their names, each once.
    void TakeLinks() {
        std::sort(links_.begin(), links_.end());
        for (const std::filesystem::path& link : links_)
            if (const std::optional<FolderId> id = FolderIdOf(link); id && seen_.insert(*id).second)
                folders_.push_back(link);
        links_.clear();
    }

    void Take(const std::filesystem::path& file) {
        const std::string path = file.string();
        if (IsBitTextName(file.filename().string())) {
            found_.push_back({path, std::nullopt});
            return;
        }
        const std::optional<InputKind> kind = KindOfFile(path);
        if (kind && RuleFor(kind->content).foundByRecursion)
            found_.push_back({path, kind});
    }

    int& status_;
    std::set<FolderId> seen_;
    std::vector<std::filesystem::path> folders_; // still to read
    std::vector<std::filesystem::path> links_;   // links to folders, read after the folders
    std::vector<Input> found_;
};

} // namespace

std::vector<Input> ExpandInputs(const Options& options, int& status) {
    std::vector<Input> inputs;
    for (const std::string& argument : options.files) {
        std::error_code error;
        if (!options.recursive || argument == "-" ||
            !std::filesystem::is_directory(argument, error)) {
            inputs.push_back({argument, std::nullopt});
            continue;
        }
        std::vector<Input> found = FolderWalk(status).Walk(argument);
        std::sort(found.begin(), found.end(),
                  [](const Input& a, const Input& b) { return a.path < b.path; });
        inputs.insert(inputs.end(), found.begin(), found.end());
    }
    return inputs;
}

namespace {

// With -r, where below its folder argument an input was found ("day1" for month/day1/a.txt
// found in month); empty for an input named on the command line.
std::filesystem::path FolderBelowArgument(const std::string& path, const Options& options) {
    if (!options.recursive)
        return {};
    for (const std::string& argument : options.files) {
        const std::filesystem::path below =
            std::filesystem::path(path).lexically_relative(argument);
        if (!below.empty() && *below.begin() != ".." && below != ".")
            return below.parent_path();
    }
    return {};
}

} // namespace

std::string SavePathFor(const std::string& path, const Options& options) {
    const std::optional<std::string> reportPath = vantrel::SavedReportFileName(path);
    if (!reportPath)
        throw FileError(path, "no report file name: the file name has no \".\"");
    std::filesystem::path target(*reportPath);
    if (!options.outputDir.empty())
        target = std::filesystem::path(options.outputDir) / FolderBelowArgument(path, options) /
                 target.filename();
    return target.string();
}

void MakeReportFolder(const std::string& reportPath) {
    const std::filesystem::path folder = std::filesystem::path(reportPath).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::create_directories(folder, error) && error)
        throw FileError(folder.string(), error.message());
}

std::string DescriptionOf(const FileError& error, const std::string& input,
                          const Options& options) {
    std::error_code ignored;
    if (!options.recursive && error.path() == input &&
        std::filesystem::is_directory(input, ignored))
        return error.description() + " (use -r to decode the files in it)";
    return error.description();
}

std::string WholePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::absolute(path, error);
    return error ? path : whole.lexically_normal().string();
}

std::vector<Input> WithoutReportClashes(std::vector<Input> inputs, const Options& options,
                                        int& status) {
    if (!options.save)
        return inputs;
    // report path -> the input it is saved for, both whole
    std::map<std::string, std::pair<std::string, std::string>> savedFor;
    std::vector<Input> kept;
    for (Input& input : inputs) {
        std::optional<std::string> report;
        try {
            report = SavePathFor(input.path, options);
        } catch (const FileError&) {
            kept.push_back(std::move(input)); // its own problem line comes when it is decoded
            continue;
        }
        const auto [earlier, fresh] =
            savedFor.emplace(WholePath(*report), std::pair{WholePath(input.path), input.path});
        if (fresh || earlier->second.first == WholePath(input.path)) {
            kept.push_back(std::move(input));
            continue;
        }
        WriteErr(ProblemLine(input.path, "not saved: its report " + *report + " is the one of " +
                                             earlier->second.second));
        status = ExitFileError;
    }
    return kept;
}

} // namespace vantrel::decode
