#include "code_tables.h"

#include "bit_fields.h"

#include <array>

namespace modETSI300230 {

namespace {

constexpr std::array<std::string_view, 8> OpModes = {
    "System function", "Call",            "Acknowledgement",   "Special function",
    "Status transfer", "Status transfer", "Reserved category", "Custom function",
};

constexpr std::array<std::string_view, 32> Functions = {
    // System function
    "Emergency reset", "Cancel", "Clear down", "Maintenance-ID", "TX Key ON", "TX Key OFF",
    "Repeater ON", "Repeater OFF",
    // Call
    "Emergency radio call", "Priority radio call", "Normal radio call", "Telephone call",
    "Broadcast radio call", "Request to call back", "Manual response", "External addressing",
    // Acknowledgement
    "Emergency Ack", "Repeat Ack", "General Ack", "Absent/Unavailable Ack", "Busy Ack",
    "Call Back Ack", "Intermediate Ack", "Reject Ack",
    // Special function
    "System control", "Short data transfer", "Dialogue data transfer", "Change channel",
    "Vote now", "Status request", "Mobile enable", "Mobile disable",
};

constexpr std::array<std::string_view, 32> Countries = {
    "Other",
    "Vatican",
    "Portugal",
    "Czech Rep. / Slovak Rep.",
    "Cyprus",
    "Switzerland",
    "Bulgaria / Hungary / Romania",
    "Greece",
    "Denmark",
    "United Kingdom",
    "Italy",
    "Finland",
    "Belgium",
    "Norway",
    "Andorra / Faroe Is.",
    "Germany",
    "France",
    "Netherlands",
    "Sweden",
    "Russia / IET",
    "Yugoslavia",
    "Poland",
    "San Marino / Baltic Republics",
    "Spain",
    "Iceland",
    "Austria",
    "Liechtenstein",
    "Luxembourg",
    "Turkey",
    "Malta / Slovenia / Croatia",
    "Ireland",
    "Monaco",
};

// Codes 32-47 are the two status transfer groups, numbered from 1.
constexpr std::int32_t FirstStatusCode = 32;
constexpr std::int32_t LastStatusCode = 47;

template <std::size_t N>
std::string Lookup(const std::array<std::string_view, N>& table, std::int32_t code) {
    if (code < 0 || static_cast<std::size_t>(code) >= N)
        return {};
    return std::string(table[static_cast<std::size_t>(code)]);
}

} // namespace

std::string OpModeText(std::string_view bits) {
    // Only the three mode bits count; a longer text is read by its first three.
    return Lookup(OpModes, BitsToLong(bits.substr(0, 3)));
}

std::string FunctionText(std::string_view bits) {
    const std::int32_t code = BitsToLong(bits);
    if (code >= FirstStatusCode && code <= LastStatusCode)
        return "Status n." + std::to_string(code - (FirstStatusCode - 1));
    return Lookup(Functions, code);
}

std::string CountryText(std::string_view bits) { return Lookup(Countries, BitsToLong(bits)); }

} // namespace modETSI300230
