// Reading a recording piece by piece: the fields of a bit file joined as the whole-file reader
// joins them (JoinFields, then RemoveLineFeeds), whatever the sizes of the pieces, with a
// compact map from a bit index back to its place in the file.
#pragma once

#include "pending_blanks.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace vantrel {

// Where a character of the joined bit string stands in the file: lines and columns count from
// 1, a line ending at CR LF, CR or LF; columns count bytes.
struct FilePlace {
    std::uint64_t line = 1;
    std::uint64_t column = 1;
};

class FieldJoiner {
public:
    enum class State : std::uint8_t { FieldStart, InField, InQuote };

    // The start of a run of joined characters that stand one after the other on one line of
    // the file; a character inside the run is found from the run's start.
    struct Mark {
        std::uint64_t bit = 0;    // index in the joined bit string
        std::uint64_t offset = 0; // byte offset in the file
        FilePlace place;
        State state = State::FieldStart;
    };

    // `keepMarks` false reads faster when no place will be asked for (a counting pass).
    explicit FieldJoiner(bool keepMarks = false) : keepMarks_(keepMarks) {}

    // A reader that continues at joined bit index `bit`, which lies in the run of `mark`.
    // Its first output is the character at `bit`; InputOffset() tells where to read from.
    static FieldJoiner ResumeAt(const Mark& mark, std::uint64_t bit);

    // Joins the next bytes of the file and appends the joined characters to `out`.
    void Join(std::string_view raw, std::string& out);
    // When joining `raw` would give `raw` itself (nothing but bits and other ordinary
    // characters, in an unquoted field with no blanks pending), counts it as Join would and
    // returns true: the caller takes `raw` as its joined characters, with no copy made.
    // Otherwise changes nothing and returns false.
    bool JoinsUnchanged(std::string_view raw);

    // The same file begins again (it shrank or was replaced): the joined bit string goes on,
    // the reading starts afresh at the file's first byte.
    void Restart();

    std::uint64_t InputOffset() const { return offset_; }
    std::uint64_t BitsOut() const { return bit_; }

    // The place of joined bit `bit`, which must not lie before the marks still kept.
    FilePlace PlaceOf(std::uint64_t bit) const;
    // The mark whose run holds `bit` (the first mark of the file before any character).
    Mark MarkFor(std::uint64_t bit) const;
    // Forgets the marks no index from `bit` on needs.
    void DropMarksBefore(std::uint64_t bit);

private:
    void Step(char c);
    void Emit(const char* data, std::size_t size, std::uint64_t offset, std::uint64_t column,
              std::string& out);
    void NoteRun(std::size_t size, std::uint64_t offset, std::uint64_t column);
    void EmitRun(const char* begin, const char* end, std::string& out);
    void FlushBlanks(std::string& out);

    bool keepMarks_;
    State state_ = State::FieldStart;
    PendingBlanks blanks_; // blanks inside a field, kept only if more of the field follows
    bool runOpen_ = false; // the last character joined continues the current mark's run
    bool afterCr_ = false; // a LF right now ends no further line
    std::uint64_t offset_ = 0;
    std::uint64_t bit_ = 0;
    FilePlace place_;
    std::deque<Mark> marks_;
};

} // namespace vantrel
