// Texts made safe for the output formats, each rule in one place: XML character data and
// attributes, HTML text, CSV fields, and numbers written the same way everywhere.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// UTF-8 text as XML 1.0 character data or attribute value: "&", "<", ">", quotes escaped;
// control characters XML does not allow (all below U+0020 but tab, LF and CR) become U+FFFD.
std::string XmlText(std::string_view utf8);

// Text as HTML shows it as the characters it is: "&", "<", ">" and quotes escaped ("'" as
// "&#39;"), every other byte as it is. The map formats' descriptions are HTML inside XML.
std::string HtmlText(std::string_view text);

// UTF-8 text as one RFC 4180 field: quoted, with quotes doubled, when it holds a comma, a
// quote, a line end, any other control character or a leading or trailing blank.
std::string CsvField(std::string_view utf8);
// The same, appended to `out`.
void AppendCsvField(std::string& out, std::string_view utf8);

// Latin-1 text from the recording as a terminal may show it, in UTF-8: every control
// character (C0, DEL and C1, whose CSI a terminal may take as the start of a command) becomes
// U+FFFD, so no text from the air can move the cursor, change colours or retitle a window.
std::string TerminalText(std::string_view latin1);

// The shortest decimal text that reads back as the same double, "." as the point whatever
// the locale: a position gives back the digits of its map link.
std::string NumberText(double value);

} // namespace vantrel
