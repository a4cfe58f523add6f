// The page's pictures, inline SVG written here (no chart library): the calls along each file,
// codeword errors along the run and per unit, and the positions on a plain projected plot
// that needs no network.
#pragma once

#include "html_run.h"

#include <ostream>

namespace vantrel {

// One lane per file (the first HtmlRowLimit calls), each call a mark linking to its row.
void WriteTimeline(std::ostream& out, const HtmlRun& run);

// The share of codewords that failed, bin after bin along the run.
void WriteErrorsAlongRun(std::ostream& out, const HtmlRun& run);

// The share of codewords that failed in the blocks each unit sent, for the units that sent
// the most codewords.
void WriteErrorsPerUnit(std::ostream& out, const HtmlRun& run);

// Every position, each unit's track in its colour, on an equirectangular plot scaled at the
// middle latitude, with a distance scale.
void WritePositionPlot(std::ostream& out, const HtmlRun& run);

} // namespace vantrel
