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

// Stands in for the content when no score is given: NO FEC is the mode in general use.
double NoFecPatterns(std::string_view bits) {
    return static_cast<double>(Count(bits, modETSI300230::SyncNoFec));
}

bool HoldsPattern(std::string_view bits) {
    return bits.find(modETSI300230::SyncNoFec) != std::string_view::npos ||
           bits.find(modETSI300230::SyncFec) != std::string_view::npos;
}

} // namespace

PolarityChoice::PolarityChoice(Polarity polarity, ReadingScore score)
    : score_(score ? std::move(score) : ReadingScore(NoFecPatterns)),
      settled_(polarity != Polarity::Auto), inverted_(polarity == Polarity::Inverted) {}

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
    complement_ = held_;
    for (char& c : complement_)
        c = c == '1' ? '0' : '1';
    const double asNormal = score_(held_);
    const double asInverted = score_(complement_);
    guessed_ = false;
    if (asNormal != asInverted) {
        inverted_ = asInverted > asNormal;
        lead_ += inverted_ ? -1 : 1;
    } else if (lead_ != 0) {
        inverted_ = lead_ < 0;
    } else {
        inverted_ = false;
        guessed_ = HoldsPattern(held_);
    }
    settled_ = lead_ >= SettledLead || lead_ <= -SettledLead;
}

void PolarityChoice::Release(std::string& out) {
    if (held_.empty())
        return;
    out += inverted_ ? complement_ : held_;
    held_.clear();
}

} // namespace demod
