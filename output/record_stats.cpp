#include "record_stats.h"

#include "latin1.h"

#include <algorithm>
#include <bit>
#include <charconv>

namespace vantrel {

namespace mod = modETSI300230;

UnitCount& RecordStats::Unit(const std::string& address) {
    // Kept at most half full, so a search meets a free slot soon.
    if (2 * (units.size() + 1) > unitSlots_.size()) {
        std::vector<std::uint32_t> slots(
            std::bit_ceil(std::max<std::size_t>(64, 4 * (units.size() + 1))), 0);
        for (const std::uint32_t slot : unitSlots_) {
            if (slot == 0)
                continue;
            std::size_t at = std::hash<std::string>{}(units[slot - 1].address) & (slots.size() - 1);
            while (slots[at] != 0)
                at = (at + 1) & (slots.size() - 1);
            slots[at] = slot;
        }
        unitSlots_ = std::move(slots);
    }
    const std::size_t mask = unitSlots_.size() - 1;
    for (std::size_t at = std::hash<std::string>{}(address)&mask;; at = (at + 1) & mask) {
        const std::uint32_t slot = unitSlots_[at];
        if (slot == 0) {
            units.push_back({address, 0, 0});
            unitSlots_[at] = static_cast<std::uint32_t>(units.size());
            return units.back();
        }
        if (units[slot - 1].address == address)
            return units[slot - 1];
    }
}

void RecordStats::Add(const DecodedRecord& record) {
    ++syncPatterns;
    const mod::BlockDetail& d = record.detail;
    if (d.noPatternLeft) {
        ++noPatternLeft;
        return;
    }
    ++blocksDecoded;
    if (record.info.Corrupted)
        ++corruptedBlocks;
    codewordsRead += d.codewords.size();
    codewordsFailed += record.codewordsFailed();
    if (d.shortData)
        ++shortDataMessages;
    if (record.nmea) {
        ++(record.nmea->checksumOk ? nmeaChecksumGood : nmeaChecksumBad);
        if (record.nmea->hasPosition)
            ++positions;
        if (record.positionTrusted())
            ++positionsTrusted;
    }
    if (record.headersPassed()) {
        ++Unit(record.info.FromAddr).sent;
        ++Unit(record.info.ToAddr).received;
    }
}

void RecordStats::Add(const RecordStats& other) {
    syncPatterns += other.syncPatterns;
    blocksDecoded += other.blocksDecoded;
    noPatternLeft += other.noPatternLeft;
    corruptedBlocks += other.corruptedBlocks;
    codewordsRead += other.codewordsRead;
    codewordsFailed += other.codewordsFailed;
    shortDataMessages += other.shortDataMessages;
    nmeaChecksumGood += other.nmeaChecksumGood;
    nmeaChecksumBad += other.nmeaChecksumBad;
    positions += other.positions;
    positionsTrusted += other.positionsTrusted;
    patternsPassedOver += other.patternsPassedOver;
    for (const UnitCount& u : other.units) {
        UnitCount& mine = Unit(u.address);
        mine.sent += u.sent;
        mine.received += u.received;
    }
}

double RecordStats::codewordErrorRate() const {
    return codewordsRead == 0
               ? 0.0
               : static_cast<double>(codewordsFailed) / static_cast<double>(codewordsRead);
}

std::string StatsText(const RecordStats& s, std::string_view title) {
    std::string text;
    auto line = [&text](std::string_view label, std::uint64_t value) {
        text += "  ";
        text += label;
        text.append(label.size() < 28 ? 28 - label.size() : 1, ' ');
        text += std::to_string(value);
        text += '\n';
    };
    text += "Statistics: ";
    text += Utf8OrLatin1(title);
    text += '\n';
    line("sync patterns counted", s.syncPatterns);
    line("blocks decoded", s.blocksDecoded);
    line("records without a pattern", s.noPatternLeft);
    line("patterns passed over", s.patternsPassedOver);
    line("corrupted blocks", s.corruptedBlocks);
    line("codewords read", s.codewordsRead);
    line("codewords failed", s.codewordsFailed);
    char rate[32];
    const auto written = std::to_chars(rate, rate + sizeof rate, 100.0 * s.codewordErrorRate(),
                                       std::chars_format::fixed, 2);
    text += "  codeword error rate         ";
    text.append(rate, written.ptr);
    text += " %\n";
    line("short data messages", s.shortDataMessages);
    line("NMEA checksums good", s.nmeaChecksumGood);
    line("NMEA checksums bad", s.nmeaChecksumBad);
    line("positions", s.positions);
    line("positions trusted (mapped)", s.positionsTrusted);
    text += "  units (sent / received)     " + std::to_string(s.units.size()) + '\n';
    for (const UnitCount& u : s.units) {
        text += "    " + Latin1ToUtf8(u.address);
        text.append(u.address.size() < 10 ? 10 - u.address.size() : 1, ' ');
        text += std::to_string(u.sent) + " / " + std::to_string(u.received) + '\n';
    }
    return text;
}

} // namespace vantrel
