// The html page's scripts and the policy that lets only them run: a tiny first script that
// shows script errors and blocked content in the page, Leaflet, and the page's own script
// (sortable tables, the map). Data for the scripts travels as JSON in a non-executed block.
#pragma once

#include "html_run.h"

#include <ostream>
#include <string>
#include <string_view>

namespace vantrel {

// Runs first: writes any script error or policy violation into #script-errors.
std::string_view ErrorTrapScript();

// Sorts the tables by a clicked heading and draws the map from the page data.
std::string_view PageScript();

// The Content-Security-Policy of the page: no script but the three above (by their SHA-256),
// inline styles, images from OpenStreetMap's tile servers and data: URLs, nothing else.
std::string ContentSecurityPolicy();

// UTF-8 text as a JSON string that can stand inside a <script> element: besides JSON's own
// escapes, "<", ">", "&", U+2028 and U+2029 are written as \u escapes, so no text can close the
// element or open a comment in it.
std::string ScriptJsonString(std::string_view utf8);

// The colour of the unit with this track (HtmlUnit::track), on the map, the plot, the key and
// the error chart alike: hues a golden angle apart, in three lightnesses, so that neighbours
// in the list differ and no two of the first UnitColours look alike. Past those the colours
// repeat: more would not be told apart, and the plot draws two paths per colour.
inline constexpr std::size_t UnitColours = 60;
std::string UnitColor(std::size_t track);
// The colour of a unit that sent no position, on the error chart.
inline constexpr std::string_view UntrackedColor = "#8a8a8a";

// The page data: {"units": [[name, colour], ...], "positions": [[lat, lon, unit], ...]}, the
// units those that sent a position, in the order of their tracks, each position naming its
// unit by its place in that list and, when it has one, its channel in Hz after that
// ([lat, lon, unit, hz]).
void WritePageData(std::ostream& out, const HtmlRun& run);

} // namespace vantrel
