#include "json_string.h"

#include "json_text.h"

namespace vantrel {

std::string JsonStringPiece(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    AppendJsonLatin1(out, text);
    return out;
}

} // namespace vantrel
