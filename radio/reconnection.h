// How a live radio is got back when it cannot be reached: the next try after a wait that grows
// from a fifth of a second to five seconds (a server restarting is back at once, one that is
// gone for good costs a try every few seconds), and one line per outage, not one per try.
#pragma once

#include "live_radio.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace vantrel {

// "10 s": a length of silence in the radios' lines.
std::string SecondsText(double seconds);

class Reconnection {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds FirstWait{200};
    static constexpr std::chrono::milliseconds LongestWait{5000};

    // `name` as the radio is named in messages.
    Reconnection(std::string name, LiveRadioSettings settings);

    // A try to reach the radio failed for `reason` (the system's or the library's words).
    // Throws FileError when the radio was never reached and the run does not wait for it.
    void Failed(const std::string& reason);
    // The radio that was reached went away for `reason`: a break in the samples.
    void Lost(const std::string& reason);
    // The radio answered as it should: the waits start short again.
    void Reached();

    // Whether the next try is due; how long until it is.
    bool Due() const { return Clock::now() >= nextTry_; }
    Clock::duration UntilDue() const;

    std::uint64_t breaks() const { return breaks_; }
    const LiveRadioSettings& settings() const { return settings_; }

private:
    void Say(const std::string& line);
    void PutOff();

    std::string name_;
    LiveRadioSettings settings_;
    bool everReached_ = false;
    bool said_ = false; // this outage has been told
    std::chrono::milliseconds wait_ = FirstWait;
    Clock::time_point nextTry_ = Clock::now();
    std::uint64_t breaks_ = 0;
};

} // namespace vantrel
