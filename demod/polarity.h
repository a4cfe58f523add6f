// Polarity. Turns the detected tones into bit characters: normally the 1200 Hz tone is "1",
// inverted it is "0". Receivers, sound cards and some equipment invert, so the automatic
// choice looks at the sync patterns.
//
// Why the automatic choice is a rule of thumb: the FEC sync pattern is the NO FEC pattern
// with every bit inverted, and the complement of a codeword that passes its check passes it
// too (the all-ones word belongs to the code and the parity is taken over an even number of
// bits). An inverted NO FEC transmission therefore reads as a perfectly checked FEC
// transmission, and nothing in the bits can tell the two apart. The rule: NO FEC is the mode
// in general use (and the one the decoder looks for first), so the reading that shows more
// NO FEC patterns than FEC patterns is taken. The bits of each transmission are held back
// until it ends (at most HoldLimit of them) and its patterns, counted as read with the Normal
// polarity, join those of the transmissions before it; the transmission goes out in the
// polarity the recording's count so far favours, a tie (no pattern yet) meaning Normal. Once
// one reading leads by SettledLead patterns the question is settled for the recording and
// bits are no longer held back. So an inverted recording is read right from its first block
// on, and a Normal recording that opens with an FEC block has only that block misread. A
// recording made entirely in FEC mode is read inverted: forcing Normal is the remedy.
#pragma once

#include "demodulator.h"

#include <cstddef>
#include <string>

namespace demod {

class PolarityChoice {
public:
    static constexpr std::size_t HoldLimit = 4096;
    static constexpr long SettledLead = 8;

    explicit PolarityChoice(Polarity polarity);

    // Takes the next bit of a transmission, `low` meaning the 1200 Hz tone; appends to `out`
    // whatever may be handed out now.
    void Push(bool low, std::string& out);
    // The transmission ended: appends what was held back.
    void End(std::string& out);
    // The polarity in use for the current transmission's bits (valid once they are out).
    bool inverted() const { return inverted_; }

private:
    void Decide();
    void Release(std::string& out);

    bool settled_;
    bool inverted_;
    long lead_ = 0;    // NO FEC patterns minus FEC patterns, as read with the Normal polarity
    std::string held_; // "0"/"1" as read with the Normal polarity
};

} // namespace demod
