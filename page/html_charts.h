// The page's pictures, inline SVG written here (no chart library): the calls along each file,
// codeword errors along the run and per unit, and the positions on a plain projected plot
// that needs no network.
#pragma once

#include "html_run.h"
#include "html_script.h"

#include <ostream>

namespace vantrel {

// One lane per file, every call counted in the marks along it (Timeline), each mark linking
// to the first of its calls that has a row; clock times on the axis when the file has them.
void WriteTimeline(std::ostream& out, const HtmlRun& run);

// The share of codewords that failed, bin after bin along the run.
void WriteErrorsAlongRun(std::ostream& out, const HtmlRun& run);

// The share of codewords that failed in the blocks each unit sent, for the units that sent
// the most codewords.
void WriteErrorsPerUnit(std::ostream& out, const HtmlRun& run);

// Every position, each unit's track in its colour, on an equirectangular plot scaled at the
// middle latitude, with a distance scale.
void WritePositionPlot(std::ostream& out, const HtmlRun& run);

// The key of the map and the plot: the units that sent a position, each in its colour, as
// many as there are colours (UnitColours), and how many more there are.
inline constexpr std::size_t LegendLimit = UnitColours;
void WriteUnitLegend(std::ostream& out, const HtmlRun& run);

} // namespace vantrel
