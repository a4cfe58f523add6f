// Which lines of a report are map links that the window may open in a browser.
#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace vantrel {

// The address in `line` when the whole line is a map link line as the decoder writes it for a
// GPS fix: "[MAP URL ] ", the map viewer's base address, and the position query with its two
// plain decimal coordinates. Anything else gives nothing. Message text comes from the air, and
// the decoder shows it on lines of its own kind ("[MESSAGE ] ...", "Message       : ..."), so
// an address a sender put into a message never qualifies.
std::optional<QUrl> MapLinkOf(const QString& line);

// The line of `text` that holds `position`. Lines end at LF, CR and the Unicode line and
// paragraph separators (the report box joins the lines of one paragraph with the former).
QString LineAt(const QString& text, qsizetype position);

} // namespace vantrel
