// Any bytes as a marked text given in pieces, and any line as a transmission mark: the blanker
// keeps every byte that is not in a mark line, and a mark read back is written again as the
// same line.
#include "require.h"
#include "transmission_marks.h"

#include <cstdint>
#include <string>
#include <string_view>

using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto mark = vantrel::ParseTransmissionMark(text)) {
        const std::string line = vantrel::TransmissionMarkLine(*mark);
        Require(line.find_first_of("01") == std::string::npos);
        Require(vantrel::ParseTransmissionMark(line) == mark);
    }
    (void)vantrel::HeaderStartTime(text);

    // Pieces cut where the first byte says.
    const std::size_t piece = size > 0 ? 1 + data[0] % 17 : 1;
    std::string blanked = text;
    vantrel::MarkLineBlanker blanker;
    for (std::size_t at = 0; at < blanked.size(); at += piece) {
        const std::size_t n = std::min(piece, blanked.size() - at);
        blanker.Blank(blanked.data() + at, n, [&](std::string_view line, std::size_t end) {
            Require(at + end < blanked.size());
            Require(line.empty() || line.front() == '#');
            Require(line.find_first_of("\r\n") == std::string_view::npos);
        });
    }
    Require(blanked.size() == text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        Require(blanked[i] == text[i] || blanked[i] == ' ');
    return 0;
}
