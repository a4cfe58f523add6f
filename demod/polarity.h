// Polarity. Turns the detected tones into bit characters: normally the 1200 Hz tone is "1",
// inverted it is "0". Receivers, sound cards and some equipment invert, and one that does
// inverts everything it hears: the automatic choice is made for the receiver, from the
// evidence of every transmission, never by one call alone.
//
// Why it asks the content and not the sync patterns: the FEC sync pattern is the NO FEC
// pattern with every bit inverted, and the complement of a codeword that passes its check
// passes it too (the all-ones word belongs to the code and the parity is taken over an even
// number of bits). A transmission read the wrong way round is a perfectly checked block of
// the other mode; only its fields give it away (see the decoder's SignallingScore, which the
// caller hands in as the ReadingScore).
//
// The evidence: the bits of each transmission are held back until it ends (at most HoldLimit
// of them; a longer one is weighed on what is held then, and again on the next stretch) and
// read both ways round; how much more the Normal reading scores than the Inverted one is the
// transmission's weight. The receiver's lead is the sum of the weights: of every transmission
// so far (AutoDecision::AsHeard, a live run), or of the whole recording (Deferred: the caller
// sums them, a batch run). The rule (ReadingFor): the lead's sign decides; where the lead is
// nothing, the transmission's own weight; where that is nothing too, the standard's mapping
// (Normal), and a transmission that held a sync pattern says so (guessed) so that the user can
// be warned. Weights, not votes: a call that reads better the other way round (an unlisted
// country code reads, turned round, as a listed one) leans by a field or two, while a GPS
// sentence whose checksum holds one way leans by far more.
//
// Live, each call is final when its transmission ends and stands on what was heard until then:
// a first call has only its own weight, so such a call heard first still reads the other way
// round; from the second call on, calls that agree outweigh it. Once the lead reaches
// SettledLead (eight calls whose country and function have names) the receiver is settled and
// bits are no longer held back.
//
// Without a ReadingScore the count of NO FEC patterns stands in for the content (NO FEC being
// the mode in general use), which reads an FEC-only recording inverted.
#pragma once

#include "demodulator.h"

#include <cstddef>
#include <string>

namespace demod {

struct PolarityReading {
    bool inverted = false;
    bool guessed = false; // nothing told the polarity, and the bits held a sync pattern
};

// The one rule of the automatic polarity: how a transmission with `own` evidence is read when
// the receiver's lead (the weights of its transmissions, this one's included) is `lead`.
PolarityReading ReadingFor(double lead, const PolarityEvidence& own);

class PolarityChoice {
public:
    static constexpr std::size_t HoldLimit = 4096;
    static constexpr double SettledLead = 16;

    explicit PolarityChoice(Polarity polarity, ReadingScore score = {},
                            AutoDecision decision = AutoDecision::AsHeard);

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
    // What the transmission that ended said, from its first bit on; the next one starts afresh.
    PolarityEvidence TakeEvidence();

private:
    void Decide();
    void Release(std::string& out);

    ReadingScore score_;
    bool deferred_;
    bool settled_;
    bool inverted_;
    bool guessed_ = false;
    double lead_ = 0;           // the receiver's: the weights of every stretch so far
    PolarityEvidence evidence_; // of the transmission under way
    std::string held_;          // "0"/"1" as read with the Normal polarity
    std::string complement_;
};

} // namespace demod
