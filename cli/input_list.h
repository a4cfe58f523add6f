// The inputs of a run as the command line names them, and where their reports are saved.
#pragma once

#include "decode_options.h"
#include "file_error.h"
#include "input_kind.h"

#include <optional>
#include <string>
#include <vector>

namespace vantrel::decode {

// An input as the command line names it, or as -r found it beneath a folder; when -r took it
// for its content rather than its name, with the kind it was told by, which its decode takes
// as it is.
struct Input {
    std::string path;
    std::optional<InputKind> kind;
};

// The inputs a run decodes, in the order given; with -r a folder stands for every bit text
// beneath it (not the tool's own "-decoded.txt" reports) and every sound file, sorted, links to
// folders followed (each folder read once). A folder that cannot be read is named in a problem
// line and sets `status` to ExitFileError; what could be read is still taken.
std::vector<Input> ExpandInputs(const Options& options, int& status);

// The name a saved report gets (SavedReportFileName): next to its input, or in --output-dir;
// there, an input that -r found beneath a folder argument keeps its place below that folder
// (DIR/day1/scanner-decoded.txt for month/day1/scanner.txt), so a tree of recordings gives a
// tree of reports. Throws FileError when the input's name has no report name.
std::string SavePathFor(const std::string& path, const Options& options);

// Creates the folder a report in --output-dir goes to, and the folders above it, as needed.
// Throws FileError naming the folder.
void MakeReportFolder(const std::string& reportPath);

// The description of a problem with an input as the user sees it: a folder named without -r
// also says how to decode what is in it.
std::string DescriptionOf(const FileError& error, const std::string& input, const Options& options);

// The whole path of a saved report, as the status line shows it.
std::string WholePath(const std::string& path);

// Inputs that would share a report name (with --output-dir, files of one name from folders
// named on the command line; two sound files of one name beside each other): the first
// keeps it, and a later one is refused with a problem line (and `status` set) instead of
// replacing that report unseen. One input named twice is no clash.
std::vector<Input> WithoutReportClashes(std::vector<Input> inputs, const Options& options,
                                        int& status);

} // namespace vantrel::decode
