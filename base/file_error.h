// A file that could not be read or written, with the system's description of why.
#pragma once

#include <stdexcept>
#include <string>

namespace vantrel {

class FileError : public std::runtime_error {
public:
    FileError(std::string path, std::string description)
        : std::runtime_error(path + ": " + description), path_(std::move(path)),
          description_(std::move(description)) {}

    const std::string& path() const { return path_; }
    const std::string& description() const { return description_; }

private:
    std::string path_;
    std::string description_;
};

} // namespace vantrel
