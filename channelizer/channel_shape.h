// The response every channel is cut out with, whichever channeliser cuts it. It is narrower
// than the channel: flat (within 0.5 dB) to 4 kHz from the channel's centre, -6 dB at 5.6 kHz,
// down by 60 dB at 7.5 kHz. An FM carrier's far tails carry more than their share: FFSK at
// 2.5 kHz deviation holds about 0.2 % of its power beyond 6 kHz of its carrier, so a filter
// flat to 6.9 kHz (wide enough for a carrier 2 kHz off and all of its Carson bandwidth) let a
// neighbour 30 dB stronger into the channel 3 dB above the wanted carrier, and neither call
// on the weaker channel decoded. Cut this narrow, a carrier 2 kHz off loses the outer edge of
// its own spectrum, which the FFSK survives (tests/channelizer: calls at 1.5 to 2.5 kHz
// deviation, 2 kHz off, decode at the same C/N), and less of the band's noise comes in.
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
