#include "pending_blanks.h"

#include <cstring>

namespace vantrel {

namespace {

constexpr std::size_t FillerSize = 4096;

} // namespace

const std::string& PendingBlanks::Spaces() {
    static const std::string spaces(FillerSize, ' ');
    return spaces;
}

const std::string& PendingBlanks::Tabs() {
    static const std::string tabs(FillerSize, '\t');
    return tabs;
}

std::uint64_t PendingBlanks::RunLength(std::size_t at) const {
    std::uint64_t length = 0;
    std::memcpy(&length, coded_.data() + at + 1, sizeof length);
    return length;
}

void PendingBlanks::SetRunLength(std::size_t at, std::uint64_t length) {
    std::memcpy(coded_.data() + at + 1, &length, sizeof length);
}

void PendingBlanks::Add(char blank) {
    ++count_;
    const char mark = blank == ' ' ? SpaceRun : TabRun;
    if (lastRun_ != std::string::npos && lastRun_ + RunCodeSize == coded_.size() &&
        coded_[lastRun_] == mark) {
        SetRunLength(lastRun_, RunLength(lastRun_) + 1);
        return;
    }
    const bool same = sameAtEnd_ > 0 && coded_.back() == blank;
    coded_.push_back(blank);
    sameAtEnd_ = same ? sameAtEnd_ + 1 : 1;
    if (sameAtEnd_ < RunCodeSize)
        return;
    // As many equal literal blanks as a run's code takes: from here on, a run.
    coded_.resize(coded_.size() - RunCodeSize);
    lastRun_ = coded_.size();
    coded_.push_back(mark);
    coded_.append(RunCodeSize - 1, '\0');
    SetRunLength(lastRun_, RunCodeSize);
    sameAtEnd_ = 0;
}

void PendingBlanks::clear() {
    coded_.clear();
    lastRun_ = std::string::npos;
    sameAtEnd_ = 0;
    count_ = 0;
}

} // namespace vantrel
