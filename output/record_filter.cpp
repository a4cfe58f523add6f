#include "record_filter.h"

#include "code_tables.h"

#include <algorithm>
#include <charconv>

namespace vantrel {

namespace {

constexpr std::uint32_t FunctionCodes = 64;
constexpr std::size_t LongestAddress = 6; // a 12-bit common address and a padded 12-bit one

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameLetters(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return Upper(x) == Upper(y); });
}

// The report's name of a function code, through the decoder's own table.
std::string FunctionName(std::uint32_t code) {
    std::string bits(6, '0');
    for (std::size_t i = 0; i < bits.size(); ++i)
        if ((code >> (5 - i)) & 1U)
            bits[i] = '1';
    return modETSI300230::FunctionText(bits);
}

bool Any(const std::vector<std::string>& wanted, const std::string& address) {
    return wanted.empty() || std::ranges::find(wanted, address) != wanted.end();
}

} // namespace

bool RecordFilter::Passes(const DecodedRecord& record) const {
    // A record without a block has no address or header: it passes no filter.
    if (empty())
        return true;
    const std::string& sender = record.info.FromAddr;
    const std::string& receiver = record.info.ToAddr;
    if (!units.empty() && std::ranges::find(units, sender) == units.end() &&
        std::ranges::find(units, receiver) == units.end())
        return false;
    if (!Any(from, sender) || !Any(to, receiver))
        return false;
    return functions.empty() ||
           std::ranges::any_of(record.detail.headers, [this](const auto& header) {
               return std::ranges::find(functions, header.function) != functions.end();
           });
}

std::optional<std::string> AddressAsWritten(std::string_view text) {
    if (text.empty() || text.size() > LongestAddress)
        return std::nullopt;
    std::string address;
    for (const char c : text) {
        const char upper = Upper(c);
        if (!((upper >= '0' && upper <= '9') || (upper >= 'A' && upper <= 'F')))
            return std::nullopt;
        address += upper;
    }
    return address;
}

std::optional<std::uint32_t> FunctionCodeNamed(std::string_view text) {
    std::uint32_t code = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
    if (!text.empty() && error == std::errc() && end == text.data() + text.size())
        return code < FunctionCodes ? std::optional(code) : std::nullopt;
    for (std::uint32_t c = 0; c < FunctionCodes; ++c) {
        const std::string name = FunctionName(c);
        if (!name.empty() && SameLetters(name, text))
            return c;
    }
    return std::nullopt;
}

} // namespace vantrel
