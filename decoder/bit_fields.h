// Bit fields and the codeword check: the lowest layer of the decoder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace modETSI300230 {

// The log of the block being decoded. Emptied at the start of every block; each routine
// appends its lines as CR LF followed by the line, verdicts go onto the current line.
// One per thread: vantrel-decode decodes several files at once, each on its own thread.
extern thread_local std::string BlockLog;

inline constexpr std::string_view CrLf = "\r\n";

// Whether a block's decode writes its log into BlockLog. The log is about as long as the
// block's characters and costs about as much as the rest of the decode, so a run whose output
// shows no log (the short report, CSV, the maps) decodes with Skipped: BlockLog is then left
// untouched and every other result stays the same.
enum class BlockLogging : bool { Skipped, Kept };

// Codeword layout: 48 information bits, 15 check bits, 1 parity bit.
inline constexpr std::size_t CodewordLength = 64;
inline constexpr std::size_t InfoLength = 48;

// Value of a text read as a base-2 number, first character most significant. Any character
// other than "1" is a 0 bit. Defined for up to 30 characters; longer texts keep only the
// bits that fit (the weight wraps to zero), which no caller relies on.
std::int32_t BitsToLong(std::string_view bits);

// Checks the codeword at the front of `bits`, appends its check line and verdict to
// BlockLog and removes the 16 check characters. Returns true when the codeword failed.
bool CheckCodeword(std::string& bits);

// The same check for a remaining bit string held as a view: the whole codeword (or all that
// is left when it is cut short) is consumed from the front of `rest`, and `info` receives
// the information bits that the string form would have left at the front.
bool CheckCodeword(std::string_view& rest, std::string& info);

// The check's whole result. A codeword cut short by the end of the input is not computed
// (remainder and parity 0) and fails.
struct CodewordVerdict {
    bool complete = false;
    std::uint32_t remainder = 0;
    std::uint32_t parity = 0;
    bool failed = true;
};

// CheckCodeword with its whole result; CheckCodeword is this call's `failed`. With
// BlockLogging::Skipped nothing is appended to BlockLog.
CodewordVerdict CheckCodewordVerdict(std::string_view& rest, std::string& info,
                                     BlockLogging logging = BlockLogging::Kept);

// Takes up to four bits off the front and returns them as one upper-case hexadecimal digit.
std::string TakeDigit(std::string& bits);
char TakeDigit(std::string_view& bits);

// Upper-case hexadecimal without leading zeros ("0" for zero).
std::string HexText(std::uint32_t value);

// Hexadecimal text padded with leading "0" to three characters (From and To addresses).
std::string PaddedHex(std::uint32_t value);

// Value of an address text read as an unsigned hexadecimal number, in decimal digits.
// An empty text gives "0".
std::string DecimalForm(std::string_view hexText);

} // namespace modETSI300230
