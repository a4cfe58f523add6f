// How much a bit text looks like signalling read the right way round. Tone polarity cannot be
// told from the sync patterns: the FEC pattern is the NO FEC pattern inverted, and the
// complement of a codeword that passes its check passes too, so a transmission read the wrong
// way round shows a perfectly checked block of the other mode. What differs is the content:
// a country code that exists (0-31) reads as one that does not (32-63), a function code of
// the first two groups (0-15) as a reserved or custom one (48-63), printable short data
// (codes 32-126) as codes that never are (129-223), a GPS sentence's good checksum as noise.
// The automatic polarity reads each transmission both ways and takes the higher score.
#pragma once

#include <string_view>

namespace modETSI300230 {

// The evidence that `bits` are signalling as they stand, from the blocks found in them; only
// codewords that pass their check count (a failed one could say anything). 0 for a text with
// no block or no passing codeword. BlockLog is left as it was.
double SignallingScore(std::string_view bits);

} // namespace modETSI300230
