#include "signalling_score.h"

#include "block_decoder.h"
#include "nmea.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace modETSI300230 {

namespace {

// A header field with a name counts one; a printable character a quarter (a message of a few
// words outweighs a header); a GPS sentence whose checksum holds outweighs a header or two.
constexpr double FieldWeight = 1;
constexpr double PrintableWeight = 0.25;
constexpr double GoodChecksumWeight = 4;

// Character codes per data codeword: five in the first (after the count and a spare digit),
// six in each one after it.
constexpr std::size_t FirstDataCodes = 5;
constexpr std::size_t DataCodes = 6;

bool Printable(char code) {
    const auto c = static_cast<unsigned char>(code);
    return c >= 32 && c <= 126;
}

double BlockScore(const BlockInfo& record, const BlockDetail& detail) {
    double score = 0;
    std::size_t headers = 0;
    std::size_t codeAt = 0;
    for (const CodewordCheck& check : detail.codewords) {
        if (check.kind != CodewordCheck::Kind::Data) {
            const HeaderDetail& header = detail.headers[headers++];
            if (!check.failed)
                score += FieldWeight * static_cast<double>(!header.countryText.empty() +
                                                           !header.functionText.empty());
            continue;
        }
        const std::size_t count = codeAt == 0 ? FirstDataCodes : DataCodes;
        const std::size_t end = std::min(detail.messageCodes.size(), codeAt + count);
        if (!check.failed)
            for (std::size_t i = codeAt; i < end; ++i)
                score += PrintableWeight * static_cast<double>(Printable(detail.messageCodes[i]));
        codeAt += count;
    }
    if (IsGpsSentence(record.Message) && NmeaChecksumOk(record.Message))
        score += GoodChecksumWeight;
    return score;
}

} // namespace

double SignallingScore(std::string_view bits) {
    const SyncPositions syncs = FindAllSyncs(bits);
    std::vector<SyncFinder::Hit> hits;
    for (const std::size_t at : syncs.noFec)
        hits.push_back({at, false});
    for (const std::size_t at : syncs.fec)
        hits.push_back({at, true});
    std::sort(hits.begin(), hits.end(),
              [](const auto& a, const auto& b) { return a.position < b.position; });
    double score = 0;
    std::size_t blockEnd = 0;
    for (const SyncFinder::Hit& hit : hits) {
        if (hit.position < blockEnd)
            continue; // inside the block before: its content was scored with that block
        BlockInfo record;
        BlockDetail detail;
        // No log: the score needs none, and the thread's BlockLog may belong to a decode
        // under way.
        blockEnd = DecodeBlock(bits, hit, record, &detail, BlockLogging::Skipped);
        score += BlockScore(record, detail);
    }
    return score;
}

} // namespace modETSI300230
