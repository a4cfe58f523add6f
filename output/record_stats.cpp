#include "record_stats.h"

#include "latin1.h"

#include <algorithm>
#include <bit>
#include <charconv>

namespace vantrel {

namespace mod = modETSI300230;

UnitCount* RecordStats::Unit(const std::string& address) {
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
            if (units.size() >= UnitsListed)
                return nullptr;
            units.push_back({address, 0, 0});
            unitSlots_[at] = static_cast<std::uint32_t>(units.size());
            return &units.back();
        }
        if (units[slot - 1].address == address)
            return &units[slot - 1];
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
        if (UnitCount* sender = Unit(record.info.FromAddr)) {
            ++sender->sent;
            if (record.source.heard || !record.source.finalAt.empty())
                signals_[static_cast<std::uint32_t>(IndexOf(*sender))].Add(record);
        } else {
            ++unitsNotListed;
        }
        if (UnitCount* receiver = Unit(record.info.ToAddr))
            ++receiver->received;
        else
            ++unitsNotListed;
    }
}

const HeardSignal* RecordStats::SignalOf(std::size_t index) const {
    const auto found = signals_.find(static_cast<std::uint32_t>(index));
    return found == signals_.end() ? nullptr : &found->second;
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
    unitsNotListed += other.unitsNotListed;
    for (std::size_t i = 0; i < other.units.size(); ++i) {
        const UnitCount& u = other.units[i];
        UnitCount* mine = Unit(u.address);
        if (mine == nullptr) {
            unitsNotListed += u.sent + u.received;
            continue;
        }
        mine->sent += u.sent;
        mine->received += u.received;
        if (const HeardSignal* signal = other.SignalOf(i))
            signals_[static_cast<std::uint32_t>(IndexOf(*mine))].Add(*signal);
    }
}

namespace {

// "-18.5 / -16.0 / -13.6": least, median and greatest, each right-aligned in six columns; as
// many blanks when nothing was heard.
std::string SpreadText(const DbSpread& spread) {
    std::string text;
    for (const std::optional<double> db : {spread.min(), spread.median(), spread.max()}) {
        if (!text.empty())
            text += spread.count() > 0 ? " /" : "  ";
        char number[32] = "";
        const auto written =
            db ? std::to_chars(number, number + sizeof number, *db, std::chars_format::fixed, 1).ptr
               : number;
        const std::size_t length = static_cast<std::size_t>(written - number);
        text.append(length < 6 ? 6 - length : 0, ' ');
        text.append(number, length);
    }
    return text;
}

// When the unit was last heard: by the clock (ISO 8601 UTC, as the records carry it), or the
// seconds into the sound it was heard in.
std::string LastHeardText(const RecordSource& last) {
    if (last.heard && !last.heard->utc.empty())
        return last.heard->utc;
    if (!last.finalAt.empty())
        return last.finalAt;
    if (!last.heard)
        return {};
    char seconds[32];
    const auto written = std::to_chars(seconds, seconds + sizeof seconds, last.heard->seconds,
                                       std::chars_format::fixed, 3);
    std::string text(seconds, written.ptr);
    text += " s";
    if (!last.file.empty())
        text += " into " + Utf8OrLatin1(last.file);
    return text;
}

} // namespace

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
    if (s.unitsNotListed > 0)
        text += "    (the list stops at " + std::to_string(UnitsListed) + " units; " +
                std::to_string(s.unitsNotListed) + " sent / received by units not listed)\n";
    if (s.unitsHeard() == 0)
        return text;
    text += "  units heard (level dBFS, Eb/N0 dB: least / median / greatest; last heard)  " +
            std::to_string(s.unitsHeard()) + '\n';
    for (std::size_t i = 0; i < s.units.size(); ++i) {
        const HeardSignal* signal = s.SignalOf(i);
        if (signal == nullptr)
            continue;
        const std::string& address = s.units[i].address;
        text += "    " + Latin1ToUtf8(address);
        text.append(address.size() < 10 ? 10 - address.size() : 1, ' ');
        text += SpreadText(signal->levelDbfs) + "   " + SpreadText(signal->ebN0Db) + "   " +
                LastHeardText(signal->last) + '\n';
    }
    return text;
}

} // namespace vantrel
