// Which records a run writes (--unit, --from, --to, --function): for a person who follows one
// unit or one kind of call on a busy channel. The text report is never filtered, since its
// blocks are numbered as the sync patterns are counted.
#pragma once

#include "decoded_record.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// A record passes when it matches every kind of value given; a kind given several times takes
// any of its values (--unit 1234 --unit 1567: either unit). Addresses are compared as the
// report writes them (FromAddr, ToAddr); a function by its code in either header, so that the
// call of an extended addressing block is found by its own function as well.
struct RecordFilter {
    std::vector<std::string> units = {};       // sent or received
    std::vector<std::string> from = {};        // FromAddr
    std::vector<std::string> to = {};          // ToAddr
    std::vector<std::uint32_t> functions = {}; // 0-63

    bool empty() const { return units.empty() && from.empty() && to.empty() && functions.empty(); }
    bool Passes(const DecodedRecord& record) const;
};

// An address as the report writes it: 1 to 6 hexadecimal digits, upper case ("2a9c4" gives
// "2A9C4"); nothing for any other text.
std::optional<std::string> AddressAsWritten(std::string_view text);

// The function code a --function value names: a code 0-63, or the name the report writes for
// it in any case ("normal radio call", "Status n.3"); nothing for any other text.
std::optional<std::uint32_t> FunctionCodeNamed(std::string_view text);

} // namespace vantrel
