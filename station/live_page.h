// The live page: one HTML document with its styles and scripts inline, served as it is; what
// it shows comes from the event stream (GET /events) and the plain plot (GET /plot.svg). Its
// policy lets only its own scripts run, named by their SHA-256 as the html page names its own.
#pragma once

#include "live_state.h"

#include <string>
#include <string_view>

namespace vantrel {

// The document (the same bytes every time).
const std::string& LivePage();

// The Content-Security-Policy header the document goes with.
const std::string& LivePagePolicy();

// The positions of the held records on the html page's plain plot, as an SVG document of its
// own (an image: the page shows it with no network). Empty when none of them has a position.
std::string PositionPlotImage(const LiveState& state);

} // namespace vantrel
