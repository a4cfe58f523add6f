// Frequencies as people write them: "169.45M", "12.5k", "2400000" (Hz), with an optional "Hz"
// after the unit. The options that take a frequency (a centre, a channel, a spacing, a rate)
// read it here, and the messages about channels write it back the same way.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace channelizer {

// A frequency that could not be read; what() is one line naming the text and why.
class FrequencyError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Hz, rounded to the millihertz; positive and at most 1 THz. Throws FrequencyError.
double ParseFrequency(std::string_view text);

// "F1,F2,...": each as ParseFrequency reads it, in the order given. Throws FrequencyError.
std::vector<double> ParseFrequencyList(std::string_view text);

// The shortest of "169.4125M", "12.5k", "950" (Hz) that ParseFrequency reads back as `hz`.
std::string FrequencyText(double hz);

} // namespace channelizer
