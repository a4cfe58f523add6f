// Texts made safe for the output formats, each rule in one place: XML character data and
// attributes, CSV fields, and numbers written the same way everywhere.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// UTF-8 text as XML 1.0 character data or attribute value: "&", "<", ">", quotes escaped;
// control characters XML does not allow (all below U+0020 but tab, LF and CR) become U+FFFD.
std::string XmlText(std::string_view utf8);

// UTF-8 text as one RFC 4180 field: quoted, with quotes doubled, when it holds a comma, a
// quote, a line end, any other control character or a leading or trailing blank.
std::string CsvField(std::string_view utf8);
// The same, appended to `out`.
void AppendCsvField(std::string& out, std::string_view utf8);

// The shortest decimal text that reads back as the same double, "." as the point whatever
// the locale: a position gives back the digits of its map link.
std::string NumberText(double value);

} // namespace vantrel
