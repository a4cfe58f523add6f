// The output of a file decoded ahead of its turn: held in memory up to a limit, then in a
// temporary file, and written out when the files before it are done.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vantrel {

class OutputBuffer {
public:
    explicit OutputBuffer(std::size_t memoryLimit) : memoryLimit_(memoryLimit) {}

    // Throws FileError when the temporary file cannot take the text (a full disk).
    void Append(std::string_view text);
    // Hands everything held to `write`, in order, piece by piece; then holds nothing.
    void WriteTo(const std::function<void(std::string_view)>& write);
    bool empty() const { return memory_.empty() && !spilled_; }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::size_t memoryLimit_;
    std::string memory_;
    std::unique_ptr<std::FILE, Closer> spill_;
    bool spilled_ = false;
};

} // namespace vantrel
