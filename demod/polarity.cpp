#include "polarity.h"

#include "sync_search.h"

#include <string_view>

namespace demod {

namespace {

std::size_t Count(std::string_view text, std::string_view pattern) {
    std::size_t count = 0;
    for (std::size_t at = text.find(pattern); at != std::string_view::npos;
         at = text.find(pattern, at + pattern.size()))
        ++count;
    return count;
}

} // namespace

PolarityChoice::PolarityChoice(Polarity polarity)
    : settled_(polarity != Polarity::Auto), inverted_(polarity == Polarity::Inverted) {}

void PolarityChoice::Push(bool low, std::string& out) {
    if (settled_) {
        out += low != inverted_ ? '1' : '0';
        return;
    }
    held_ += low ? '1' : '0';
    if (held_.size() >= HoldLimit) {
        Decide();
        Release(out);
    }
}

void PolarityChoice::End(std::string& out) {
    if (!settled_)
        Decide();
    Release(out);
}

void PolarityChoice::Decide() {
    lead_ += static_cast<long>(Count(held_, modETSI300230::SyncNoFec));
    lead_ -= static_cast<long>(Count(held_, modETSI300230::SyncFec));
    inverted_ = lead_ < 0;
    settled_ = lead_ >= SettledLead || lead_ <= -SettledLead;
}

void PolarityChoice::Release(std::string& out) {
    if (held_.empty())
        return;
    if (inverted_)
        for (char& c : held_)
            c = c == '1' ? '0' : '1';
    out += held_;
    held_.clear();
}

} // namespace demod
