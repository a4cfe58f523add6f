#include "decoded_record.h"

#include <algorithm>
#include <charconv>

namespace vantrel {

namespace mod = modETSI300230;

std::uint32_t AddressValue(std::string_view address) {
    const std::string decimal = mod::DecimalForm(address);
    std::uint32_t value = 0;
    std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
    return value;
}

std::size_t DecodedRecord::codewordsFailed() const {
    return static_cast<std::size_t>(
        std::count_if(detail.codewords.begin(), detail.codewords.end(),
                      [](const mod::CodewordCheck& c) { return c.failed; }));
}

bool DecodedRecord::headersPassed() const {
    return !detail.headers.empty() &&
           std::none_of(detail.codewords.begin(), detail.codewords.end(),
                        [](const mod::CodewordCheck& c) {
                            return c.kind != mod::CodewordCheck::Kind::Data && c.failed;
                        });
}

bool DecodedRecord::positionTrusted() const {
    return nmea && nmea->hasPosition && headersPassed();
}

DecodedRecord MakeRecord(std::int64_t number, mod::BlockInfo info, mod::BlockDetail detail,
                         RecordSource source) {
    DecodedRecord r;
    r.source = std::move(source);
    r.number = number;
    r.fromAddrValue = AddressValue(info.FromAddr);
    r.toAddrValue = AddressValue(info.ToAddr);
    if (detail.shortData && mod::IsSatelliteSentence(info.Message)) {
        r.nmea = mod::ReadNmea(info.Message);
        // The same condition and the same link as the log's GPS lines.
        if (r.nmea->checksumOk && mod::IsGpsSentence(info.Message)) {
            const std::string line = mod::NmeaToMapLink(info.Message);
            if (line.starts_with(mod::MapLinkLabel))
                r.mapLink = line.substr(mod::MapLinkLabel.size());
        }
    }
    r.info = std::move(info);
    r.detail = std::move(detail);
    return r;
}

} // namespace vantrel
