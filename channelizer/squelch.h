// Squelch stage: tells, block by block, whether a channel carries a signal, so that a quiet
// channel costs only the measurement of its power. An FM carrier has a constant envelope: a
// channel with one on it holds the carrier's power over the noise, one without only the
// noise. Each channel's noise floor is its own (the receiver's response is not flat across
// the band, and the channel at the centre holds the receiver's own DC): it is tracked while
// the channel is closed, following the power down at once and up slowly, so it sits at the
// quiet stretches. The channel opens when a block's power stands OpenDb over the floor and
// closes when the power has stayed under CloseDb over it for the hold time: the gap between
// the two keeps a signal near the threshold from chattering, the hold keeps a short dip from
// cutting a transmission in two.
//
// While a channel is open its floor does not rise with its own power (a carrier that stays on,
// such as a control channel's, stays open); it moves with the band's floor instead: the
// caller hands in the change of a low quantile of every channel's power since the channel
// opened, so a gain change that lifts the whole band lifts the floor of an open channel too,
// and it closes.
#pragma once

namespace channelizer {

struct SquelchSettings {
    double openDb = 5;    // over the floor: opens (a carrier at 3.3 dB C/N; decoding needs more)
    double closeDb = 2.5; // under this over the floor for the hold: closes
    double holdSeconds = 0.1;
    double floorRiseDbPerSecond = 3; // while closed: how fast the floor follows the power up
};

enum class SquelchStep {
    Closed,  // the block is not listened to
    Opening, // the block opens the channel: listen from the block before it on
    Open,    // listen to the block
    Closing, // the hold ran out: the block is not listened to
};

class Squelch {
public:
    Squelch(const SquelchSettings& settings, double blockSeconds);

    // The first block's power (dB) and the band's floor then: the floor starts at the lower of
    // the two, so a channel whose carrier is on from the start opens.
    void Start(double powerDb, double bandFloorDb);

    // The next block's power (dB); `bandShiftDb`: how far the band's floor has moved since the
    // last block (0 without a band to compare with).
    SquelchStep Step(double powerDb, double bandShiftDb = 0);

    // The input has ended: closed, the floor kept.
    void Close() { open_ = false; }

    bool open() const { return open_; }
    double floorDb() const { return floorDb_; }

private:
    SquelchSettings settings_;
    double riseDbPerBlock_;
    int holdBlocks_;
    double floorDb_ = 0;
    bool open_ = false;
    int quietBlocks_ = 0; // while open: blocks in a row under the close level
};

} // namespace channelizer
