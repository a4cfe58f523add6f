#include "short_data.h"

#include "bit_fields.h"
#include "nmea.h"

namespace modETSI300230 {

namespace {

constexpr int DigitsInFirstCodeword = 11; // after the 4-bit count
constexpr int DigitsPerCodeword = 12;
constexpr int FirstPrintable = 32;
constexpr int LastPrintable = 126;

int HexValue(char digit) {
    return digit <= '9' ? digit - '0' : digit - 'A' + 10;
}

void TakeDigits(std::string_view info, int count, std::string& digits) {
    for (int i = 0; i < count; ++i)
        digits += TakeDigit(info);
}

// Pairs the digits from the second one on into character codes: printable ones go into
// both texts, any other shows as its two digits in brackets. `codes`, when given, receives
// every code.
void BuildTexts(std::string_view digits, std::string& message, std::string& display,
                std::string* codes) {
    for (std::size_t k = 1; k + 1 < digits.size(); k += 2) {
        const char high = digits[k];
        const char low = digits[k + 1];
        const int code = HexValue(high) * 16 + HexValue(low);
        if (codes != nullptr)
            *codes += static_cast<char>(code);
        if (code >= FirstPrintable && code <= LastPrintable) {
            message += static_cast<char>(code);
            display += static_cast<char>(code);
        } else {
            display += '[';
            display += high;
            display += low;
            display += ']';
        }
    }
}

void AppendGpsLines(const std::string& message) {
    BlockLog += CrLf;
    BlockLog += "[GPS     ] Nmea CheckSum ";
    if (!NmeaChecksumOk(message)) {
        BlockLog += "Error";
        return;
    }
    BlockLog += "OK";
    BlockLog += CrLf;
    BlockLog += NmeaToMapLink(message);
}

// Checks the codeword at the front of `rest` and notes its verdict in the detail.
bool DataCodewordFailed(std::string_view& rest, std::string& info, BlockDetail* detail,
                        BlockLogging logging) {
    const CodewordVerdict verdict = CheckCodewordVerdict(rest, info, logging);
    if (detail != nullptr)
        detail->codewords.push_back({CodewordCheck::Kind::Data, verdict.complete, verdict.remainder,
                                     static_cast<int>(verdict.parity), verdict.failed});
    return verdict.failed;
}

} // namespace

void ShortDataStep(std::string_view& rest, bool& corrupted, BlockInfo& record) {
    ShortDataStep(rest, corrupted, record, nullptr);
}

void ShortDataStep(std::string_view& rest, bool& corrupted, BlockInfo& record, BlockDetail* detail,
                   BlockLogging logging) {
    const bool logged = logging == BlockLogging::Kept;
    if (logged) {
        BlockLog += CrLf;
        BlockLog += "Processing Short Data Transfer";
    }

    std::string info;
    if (DataCodewordFailed(rest, info, detail, logging))
        corrupted = true;
    std::string_view first = info;
    const std::string_view countText = first.substr(0, 4);
    first.remove_prefix(countText.size());
    const std::int32_t following = BitsToLong(countText);
    if (logged) {
        BlockLog += CrLf;
        BlockLog += "Data blocks following first: ";
        BlockLog += std::to_string(following);
    }
    if (detail != nullptr) {
        detail->shortData = true;
        detail->dataFollowing = following;
    }

    std::string digits;
    digits.reserve(DigitsInFirstCodeword + DigitsPerCodeword * 15);
    TakeDigits(first, DigitsInFirstCodeword, digits);
    for (std::int32_t i = 0; i < following; ++i) {
        if (DataCodewordFailed(rest, info, detail, logging))
            corrupted = true;
        TakeDigits(info, DigitsPerCodeword, digits);
    }

    std::string message;
    std::string display;
    BuildTexts(digits, message, display, detail != nullptr ? &detail->messageCodes : nullptr);
    record.Message = message;
    if (!logged)
        return;
    BlockLog += CrLf;
    BlockLog += "[MESSAGE ] ";
    BlockLog += display;
    if (IsGpsSentence(message))
        AppendGpsLines(message);
}

} // namespace modETSI300230
