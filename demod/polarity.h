// Polarity. Turns the detected tones into bit characters: normally the 1200 Hz tone is "1",
// inverted it is "0". Receivers, sound cards and some equipment invert, so the automatic
// choice reads every transmission both ways round and asks which reading decodes.
//
// Why it asks the content and not the sync patterns: the FEC sync pattern is the NO FEC
// pattern with every bit inverted, and the complement of a codeword that passes its check
// passes it too (the all-ones word belongs to the code and the parity is taken over an even
// number of bits). A transmission read the wrong way round is a perfectly checked block of
// the other mode; only its fields give it away (see the decoder's SignallingScore, which the
// caller hands in as the ReadingScore).
//
// The rule: the bits of each transmission are held back until it ends (at most HoldLimit of
// them; a longer one is decided on what is held then, and again on the next stretch). The
// reading with the higher score is taken, and counts for that polarity in the recording's
// tally. When both readings score the same (no block, or no codeword that passes), the tally
// of the transmissions before decides; with no tally either, the standard's mapping (Normal)
// is used, and a transmission that held a sync pattern says so (guessed()) so that the user
// can be warned. Once one polarity leads the tally by SettledLead transmissions the question
// is settled for the recording and bits are no longer held back.
//
// Without a ReadingScore the count of NO FEC patterns stands in for the content (NO FEC being
// the mode in general use), which reads an FEC-only recording inverted.
#pragma once

#include "demodulator.h"

#include <cstddef>
#include <string>

namespace demod {

class PolarityChoice {
public:
    static constexpr std::size_t HoldLimit = 4096;
    static constexpr long SettledLead = 8;

    explicit PolarityChoice(Polarity polarity, ReadingScore score = {});

    // Takes the next bit of a transmission, `low` meaning the 1200 Hz tone; appends to `out`
    // whatever may be handed out now.
    void Push(bool low, std::string& out);
    // The transmission ended: appends what was held back.
    void End(std::string& out);
    // The polarity in use for the current transmission's bits (valid once they are out).
    bool inverted() const { return inverted_; }
    // Whether that polarity is the standard's mapping taken for want of anything to decide by,
    // for bits that held a sync pattern.
    bool guessed() const { return guessed_; }

private:
    void Decide();
    void Release(std::string& out);

    ReadingScore score_;
    bool settled_;
    bool inverted_;
    bool guessed_ = false;
    long lead_ = 0;    // stretches read Normal minus stretches read Inverted
    std::string held_; // "0"/"1" as read with the Normal polarity
    std::string complement_;
};

} // namespace demod
