// The inputs of a run as the command line names them, and where their reports are saved.
#pragma once

#include "decode_options.h"

#include <string>
#include <vector>

namespace vantrel::decode {

// The inputs a run decodes, in the order given; with -r a folder stands for every bit text
// beneath it (not the tool's own "-decoded.txt" reports) and every sound file, sorted.
std::vector<std::string> ExpandInputs(const Options& options);

// The name a saved report gets: next to its input, or in --output-dir. Throws FileError
// when the input's name has no report name.
std::string SavePathFor(const std::string& path, const Options& options);

// The whole path of a saved report, as the status line shows it.
std::string WholePath(const std::string& path);

// With --output-dir, inputs from different folders may share a file name and so a report
// name: the first keeps it, and a later one is refused with a problem line (and `status`
// set) instead of replacing that report unseen.
std::vector<std::string> WithoutReportClashes(std::vector<std::string> inputs,
                                              const Options& options, int& status);

} // namespace vantrel::decode
