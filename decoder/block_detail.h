// What the decoder knows about a block beyond its BlockInfo: where its sync pattern was, the
// header fields as numbers and the verdict of every codeword it read. The record formats are
// built from these; the text report never needs them, so they are only gathered when asked.
#pragma once

#include "sync_search.h" // NotFound

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace modETSI300230 {

// The verdict on one codeword, in the order the block read them.
struct CodewordCheck {
    // Header: the first header codeword. Address: a second header codeword (extended
    // addressing, read when the first one is addressed to the all-call "FFF"). Data: a short
    // data codeword.
    enum class Kind { Header, Address, Data };
    Kind kind = Kind::Header;
    bool complete = false;       // all 64 characters were there; a cut codeword always fails
    std::uint32_t remainder = 0; // the CRC remainder, 0 when the check bits fit (complete only)
    int parity = 0;              // the parity over all 64 characters, 0 when even (complete only)
    bool failed = true;          // the verdict the log shows ("ERROR" or "OK")

    bool operator==(const CodewordCheck&) const = default;
};

// The fields of one header codeword as numbers, with the texts the log shows for them. A
// header cut short by the end of the input has its missing bits read as nothing: a field
// with no bits left is 0.
struct HeaderDetail {
    std::uint32_t opMode = 0;   // 3 bits
    std::uint32_t function = 0; // 6 bits (the operating mode is its top three)
    std::uint32_t country = 0;  // 6 bits
    std::uint32_t common = 0;   // 12 bits
    std::uint32_t from = 0;     // 12 bits
    std::uint32_t to = 0;       // 12 bits
    std::string opModeText;
    std::string functionText;
    std::string countryText;

    bool operator==(const HeaderDetail&) const = default;
};

struct BlockDetail {
    std::size_t syncPosition = NotFound; // 0-based index of the sync pattern in the bit string
    bool fec = false;                    // the pattern was SyncFec
    bool noPatternLeft = false;          // a counted record after the last decodable block
    std::size_t restPosition = NotFound; // where the bit string left after the block starts
    std::vector<HeaderDetail> headers;   // one, or two with extended addressing
    std::vector<CodewordCheck> codewords;

    // Short data only.
    bool shortData = false;
    std::int32_t dataFollowing = 0; // the count of data codewords the first one announces
    // Every character code of the message in order, printable or not; BlockInfo::Message
    // keeps the printable ones only.
    std::string messageCodes;

    bool operator==(const BlockDetail&) const = default;
};

} // namespace modETSI300230
