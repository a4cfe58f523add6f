// The response every channel is cut out with, whichever channeliser cuts it. It is narrower
// than the channel: flat (within 0.5 dB) to 4 kHz from the channel's centre, -6 dB at 5.6 kHz,
// down by 60 dB at 7.5 kHz. Through a filter -6 dB at 8.1 kHz (wide enough to keep all of a
// carrier 2 kHz off), an FFSK carrier at 2.5 kHz deviation on the next channel put 0.2 % of
// its power (-26.7 dB) into the channel: 30 dB stronger, it stood 3 dB above the wanted
// carrier, and the weaker channel's call was lost. Cut this narrow, a carrier 2 kHz off loses
// the outer edge of its own spectrum, which the FFSK survives (calls 1.5 to 2 kHz off decode
// at the same C/N; docs/band.md), and less of the band's noise comes in.
#pragma once

#include <cstddef>
#include <vector>

namespace channelizer {

inline constexpr double ChannelCutoffShare = 0.45;     // of the spacing: the -6 dB point
inline constexpr double ChannelTransitionShare = 0.26; // of the spacing: pass edge to stop edge
inline constexpr double ChannelStopbandDb = 60;

// Taps of the channel filter at `sampleRate`, at least `minimumLength` long (a filter bank
// needs a length its branches divide), normalised to unit gain at the channel's centre.
std::vector<float> ChannelTaps(double sampleRate, double spacingHz, std::size_t minimumLength = 0);

// The length the response needs at `sampleRate` (liquid's estimate for a Kaiser design).
std::size_t ChannelTapCount(double sampleRate, double spacingHz);

} // namespace channelizer
