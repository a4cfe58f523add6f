#include "bit_lines.h"

#include <algorithm>
#include <utility>

namespace vantrel {

BitLines::BitLines(LineSink write, std::size_t length)
    : write_(std::move(write)), length_(std::max<std::size_t>(length, 1)) {
    line_.reserve(length_ + 2);
}

void BitLines::Add(std::string_view bits) {
    while (!bits.empty()) {
        const std::size_t take = std::min(bits.size(), length_ - line_.size());
        line_.append(bits.substr(0, take));
        bits.remove_prefix(take);
        if (line_.size() == length_) {
            line_.append("\r\n");
            write_(line_);
            line_.clear();
        }
    }
}

void BitLines::EndTransmission() {
    if (line_.empty())
        return;
    line_.append("\r\n");
    write_(line_);
    line_.clear();
}

} // namespace vantrel
