#include "polarity.h"

#include "sync_search.h"

#include <cmath>
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

PolarityReading ReadingFor(double lead, const PolarityEvidence& own) {
    if (lead != 0)
        return {lead < 0, false};
    if (own.normalLead != 0)
        return {own.normalLead < 0, false};
    return {false, own.pattern};
}

PolarityChoice::PolarityChoice(Polarity polarity, ReadingScore score, AutoDecision decision)
    : score_(score ? std::move(score) : ReadingScore(NoFecPatterns)),
      deferred_(decision == AutoDecision::Deferred), settled_(polarity != Polarity::Auto),
      inverted_(polarity == Polarity::Inverted) {}

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

PolarityEvidence PolarityChoice::TakeEvidence() {
    const PolarityEvidence evidence = evidence_;
    evidence_ = {};
    return evidence;
}

void PolarityChoice::Decide() {
    complement_ = held_;
    for (char& c : complement_)
        c = c == '1' ? '0' : '1';
    const PolarityEvidence stretch{score_(held_) - score_(complement_), HoldsPattern(held_)};
    evidence_.normalLead += stretch.normalLead;
    evidence_.pattern = evidence_.pattern || stretch.pattern;
    lead_ += stretch.normalLead;
    if (deferred_)
        return; // read Normal; the caller turns the bits round once it has heard them all
    const PolarityReading reading = ReadingFor(lead_, stretch);
    inverted_ = reading.inverted;
    guessed_ = reading.guessed;
    settled_ = std::abs(lead_) >= SettledLead;
}

void PolarityChoice::Release(std::string& out) {
    if (held_.empty())
        return;
    out += inverted_ ? complement_ : held_;
    held_.clear();
}

} // namespace demod
