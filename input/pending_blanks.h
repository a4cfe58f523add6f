// Blanks inside a field, kept until the field goes on (they are joined) or ends (they are
// dropped). A run of one blank character is kept as its length, so a field padded with a
// gigabyte of spaces costs a few bytes; blanks that alternate cost a byte each.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

class PendingBlanks {
public:
    void Add(char blank);
    void clear();
    bool empty() const { return count_ == 0; }
    std::uint64_t size() const { return count_; }

    // Hands the blanks to `take` in their order, in pieces of at most a few kilobytes.
    template <typename Take> void ForEachPiece(Take take) const {
        std::size_t at = 0;
        while (at < coded_.size()) {
            if (IsRunMark(coded_[at])) {
                const std::string& filler = coded_[at] == SpaceRun ? Spaces() : Tabs();
                for (std::uint64_t left = RunLength(at); left > 0;) {
                    const auto piece = static_cast<std::size_t>(
                        left < filler.size() ? left : std::uint64_t{filler.size()});
                    take(std::string_view(filler.data(), piece));
                    left -= piece;
                }
                at += RunCodeSize;
                continue;
            }
            std::size_t end = at;
            while (end < coded_.size() && !IsRunMark(coded_[end]))
                ++end;
            take(std::string_view(coded_).substr(at, end - at));
            at = end;
        }
    }

private:
    static constexpr char SpaceRun = 'S';
    static constexpr char TabRun = 'T';
    // The mark and the run's length in eight bytes.
    static constexpr std::size_t RunCodeSize = 9;
    static bool IsRunMark(char c) { return c == SpaceRun || c == TabRun; }
    static const std::string& Spaces();
    static const std::string& Tabs();
    std::uint64_t RunLength(std::size_t at) const;
    void SetRunLength(std::size_t at, std::uint64_t length);

    std::string coded_;                       // literal blanks, and runs as a mark and a length
    std::size_t lastRun_ = std::string::npos; // where the last run's code starts
    std::size_t sameAtEnd_ = 0;               // literal blanks at the end equal to the last one
    std::uint64_t count_ = 0;
};

} // namespace vantrel
