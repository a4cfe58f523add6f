// The lines vantrel-demod writes between its bit lines to keep what it knows about each
// transmission: where it ended, when it was heard, how loud and how clean. A mark line starts
// with "#" and holds no "0" or "1" (its digits 0 and 1 are written "o" and "i"), so a reader
// that takes only "0" and "1" reads the same bits with or without them. A text is marked when
// its first line is MarksHeader; only then are its "#" lines read as marks.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The first line of a marked text, optionally followed by " start=TIME", the wall-clock time
// the recording began (ISO 8601 in mark digits).
inline constexpr std::string_view MarksHeader = "#vantrel-demod";

// One transmission, written after its last bit.
struct TransmissionMark {
    double startSeconds = 0; // from the start of the recording
    double endSeconds = 0;
    double levelDbfs = 0;
    double ebN0Db = 0;
    bool inverted = false; // 1800 Hz was taken as "1"

    bool operator==(const TransmissionMark&) const = default;
};

// Text in mark digits: every "0" written "o", every "1" written "i"; and back.
std::string ToMarkDigits(std::string_view text);
std::string FromMarkDigits(std::string_view text);

// The header line (without its line end), with the recording's start time when known.
std::string MarksHeaderLine(std::string_view startTime = {});
// The start time a header line names; nothing when the line is no header or names none.
std::optional<std::string> HeaderStartTime(std::string_view line);

// "#transmission start=S end=E level=L ebno=N polarity=normal|inverted", the numbers in the
// shortest form that reads back to the same value (without its line end).
std::string TransmissionMarkLine(const TransmissionMark& mark);
// The mark a line holds; nothing when it is no well-formed transmission mark.
std::optional<TransmissionMark> ParseTransmissionMark(std::string_view line);

// Whether a text starting with `start` is marked.
bool StartsMarked(std::string_view start);

// Turns the mark lines of a marked text, given in pieces, into blanks in place: the joined
// bits lose them, while every other byte keeps its offset, line and column. Each mark line
// is handed to `line` with the offset in the piece just past its last character.
class MarkLineBlanker {
public:
    using LineSink = std::function<void(std::string_view line, std::size_t endInPiece)>;

    void Blank(char* data, std::size_t size, const LineSink& line = nullptr);

private:
    bool lineStart_ = true;
    bool inMark_ = false;
    std::string line_; // the mark line so far, up to MaxLine characters
};

} // namespace vantrel
