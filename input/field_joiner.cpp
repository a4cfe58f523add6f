#include "field_joiner.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// True when one of the eight bytes at `p` is below ',' + 1: every byte the joiner must look at
// (blanks, quotes, delimiters) is, while the bits of a recording are not.
bool AnyByteUpToComma(const char* p) {
    constexpr std::uint64_t EveryByte = 0x0101010101010101ULL;
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return ((word - EveryByte * (',' + 1)) & ~word & (EveryByte * 0x80U)) != 0;
}

bool IsSpecial(char c) {
    return static_cast<unsigned char>(c) <= ',' &&
           (IsBlank(c) || c == '"' || c == ',' || c == '\r' || c == '\n');
}

// The end of the run of ordinary bytes (no blank, quote or delimiter) that starts at `p`.
const char* OrdinaryEnd(const char* p, const char* end) {
    while (end - p >= 8 && !AnyByteUpToComma(p))
        p += 8;
    while (p < end && !IsSpecial(*p))
        ++p;
    return p;
}

// The end of the run inside quotes: up to the closing quote or a line end.
const char* QuotedEnd(const char* p, const char* end) {
    while (end - p >= 8 && !AnyByteUpToComma(p))
        p += 8;
    while (p < end && *p != '"' && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

} // namespace

FieldJoiner FieldJoiner::ResumeAt(const Mark& mark, std::uint64_t bit) {
    FieldJoiner joiner(false);
    joiner.bit_ = bit;
    joiner.place_ = mark.place;
    if (bit == mark.bit) {
        joiner.offset_ = mark.offset;
        joiner.state_ = mark.state;
        return joiner;
    }
    // A run's characters stand one after the other in the file.
    joiner.offset_ = mark.offset + (bit - mark.bit);
    joiner.place_.column += bit - mark.bit;
    joiner.state_ = mark.state == State::InQuote ? State::InQuote : State::InField;
    return joiner;
}

void FieldJoiner::Restart() {
    state_ = State::FieldStart;
    blanks_.clear();
    runOpen_ = false;
    afterCr_ = false;
    offset_ = 0;
    place_ = {};
}

// Counts one byte that ends up in no run: the file place moves on.
void FieldJoiner::Step(char c) {
    ++offset_;
    if (c == '\n') {
        if (!afterCr_)
            ++place_.line;
        place_.column = 1;
        afterCr_ = false;
    } else if (c == '\r') {
        ++place_.line;
        place_.column = 1;
        afterCr_ = true;
    } else {
        ++place_.column;
        afterCr_ = false;
    }
}

// Joins a run of ordinary characters of one line, from `begin` up to `end`.
void FieldJoiner::EmitRun(const char* begin, const char* end, std::string& out) {
    const auto size = static_cast<std::size_t>(end - begin);
    Emit(begin, size, offset_, place_.column, out);
    offset_ += size;
    place_.column += size;
    afterCr_ = false;
}

void FieldJoiner::Emit(const char* data, std::size_t size, std::uint64_t offset,
                       std::uint64_t column, std::string& out) {
    NoteRun(size, offset, column);
    out.append(data, size);
}

// Counts `size` joined characters that continue the current run, or open one at `offset`.
void FieldJoiner::NoteRun(std::size_t size, std::uint64_t offset, std::uint64_t column) {
    if (keepMarks_ && !runOpen_)
        marks_.push_back({bit_, offset, {place_.line, column}, state_});
    runOpen_ = true;
    bit_ += size;
}

bool FieldJoiner::JoinsUnchanged(std::string_view raw) {
    if (raw.empty() || state_ == State::InQuote || !blanks_.empty())
        return false;
    const char* const end = raw.data() + raw.size();
    if (OrdinaryEnd(raw.data(), end) != end)
        return false;
    // What Join does with such bytes: the first one starts a field, then all make one run.
    if (state_ == State::FieldStart) {
        state_ = State::InField;
        runOpen_ = false;
    }
    NoteRun(raw.size(), offset_, place_.column);
    offset_ += raw.size();
    place_.column += raw.size();
    afterCr_ = false;
    return true;
}

void FieldJoiner::FlushBlanks(std::string& out) {
    if (blanks_.empty())
        return;
    const std::uint64_t size = blanks_.size();
    // The first piece opens the run at the blanks' start; the others continue it.
    blanks_.ForEachPiece([&](std::string_view piece) {
        Emit(piece.data(), piece.size(), offset_ - size, place_.column - size, out);
    });
    blanks_.clear();
}

void FieldJoiner::Join(std::string_view raw, std::string& out) {
    const char* p = raw.data();
    const char* const end = p + raw.size();
    while (p < end) {
        const char c = *p;
        switch (state_) {
        case State::FieldStart:
            if (IsBlank(c) || c == ',' || c == '\r' || c == '\n') {
                Step(c);
                ++p;
            } else if (c == '"') {
                Step(c);
                ++p;
                state_ = State::InQuote;
                runOpen_ = false;
            } else {
                state_ = State::InField;
                runOpen_ = false;
            }
            break;
        case State::InField: {
            const char* const stop = OrdinaryEnd(p, end);
            if (stop != p) {
                FlushBlanks(out);
                EmitRun(p, stop, out);
                p = stop;
                if (p == end)
                    break;
                // A recording is mostly lines of bits: a line end followed straight by the
                // next line's bits is crossed here, without a round through FieldStart.
                if ((*p == '\r' || *p == '\n') && blanks_.empty()) {
                    const char* next = p + 1;
                    if (*p == '\r' && next < end && *next == '\n')
                        ++next;
                    if (next < end && !IsSpecial(*next)) {
                        ++place_.line;
                        place_.column = 1;
                        afterCr_ = false;
                        offset_ += static_cast<std::uint64_t>(next - p);
                        runOpen_ = false;
                        p = next;
                    }
                }
                break;
            }
            if (IsBlank(c)) {
                blanks_.Add(c);
                Step(c);
            } else if (c == '"') {
                // A quote inside an unquoted field is an ordinary character.
                FlushBlanks(out);
                Emit(p, 1, offset_, place_.column, out);
                Step(c);
            } else {
                // The delimiter ends the field; blanks at its end are dropped with it.
                blanks_.clear();
                state_ = State::FieldStart;
                runOpen_ = false;
                Step(c);
            }
            ++p;
            break;
        }
        case State::InQuote: {
            const char* const stop = QuotedEnd(p, end);
            if (stop != p) {
                EmitRun(p, stop, out);
                p = stop;
                break;
            }
            if (c == '"') {
                state_ = State::FieldStart;
            } else if (c == '\r') {
                // Kept inside quotes, but still a line end for the file's places.
                Emit(p, 1, offset_, place_.column, out);
            }
            // A line feed inside quotes is dropped, as the whole-file reader drops it.
            runOpen_ = false;
            Step(c);
            ++p;
            break;
        }
        }
    }
}

FieldJoiner::Mark FieldJoiner::MarkFor(std::uint64_t bit) const {
    const auto after = std::upper_bound(marks_.begin(), marks_.end(), bit,
                                        [](std::uint64_t b, const Mark& m) { return b < m.bit; });
    if (after == marks_.begin())
        return {};
    return *std::prev(after);
}

FilePlace FieldJoiner::PlaceOf(std::uint64_t bit) const {
    const Mark mark = MarkFor(bit);
    FilePlace place = mark.place;
    if (bit > mark.bit)
        place.column += bit - mark.bit;
    return place;
}

void FieldJoiner::DropMarksBefore(std::uint64_t bit) {
    while (marks_.size() >= 2 && marks_[1].bit <= bit)
        marks_.pop_front();
}

} // namespace vantrel
