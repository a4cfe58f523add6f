// Any bytes as the first bytes an rtl_tcp server sends: the first byte picks how they are cut
// into pieces, the rest are the bytes. Pieces of any size must read as the whole does: the
// header whole after exactly its twelve bytes when they open with "RTL0" and its numbers read
// big-endian from them; refused at the first byte that breaks the magic; nothing taken after
// either, so no byte of the header is ever handed on as a sample and none after it is lost.
#include "require.h"
#include "rtl_tcp_source.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace {

struct Reading {
    std::size_t taken = 0;
    bool whole = false;
    bool refused = false;
    std::uint32_t tuner = 0;
    std::uint32_t gains = 0;
    bool operator==(const Reading&) const = default;
};

Reading Read(std::span<const std::uint8_t> bytes, std::size_t piece, std::size_t growth) {
    vantrel::RtlTcpHeader header;
    Reading reading;
    for (std::size_t at = 0; at < bytes.size(); at += piece, piece += growth) {
        const std::span<const std::uint8_t> part =
            bytes.subspan(at, std::min(piece, bytes.size() - at));
        const bool done = header.whole() || !header.refusal().empty();
        const std::size_t took = header.Take(part);
        fuzz::Require(!done || took == 0);
        fuzz::Require(took <= part.size());
        reading.taken += took;
    }
    reading.whole = header.whole();
    reading.refused = !header.refusal().empty();
    if (reading.whole) {
        reading.tuner = header.tuner();
        reading.gains = header.gainCount();
        fuzz::Require(!header.tunerName().empty());
    }
    return reading;
}

std::uint32_t BigEndian(const std::uint8_t* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t piece = 1 + data[0] % 13;
    const std::size_t growth = data[0] / 13 % 3;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);

    const Reading whole = Read(bytes, bytes.size() + 1, 0);
    fuzz::Require(Read(bytes, piece, growth) == whole);

    // What the bytes themselves say.
    constexpr std::string_view Magic = "RTL0";
    std::size_t matching = 0;
    while (matching < Magic.size() && matching < bytes.size() &&
           bytes[matching] == static_cast<std::uint8_t>(Magic[matching]))
        ++matching;
    const bool broken = matching < Magic.size() && matching < bytes.size();
    fuzz::Require(whole.refused == broken);
    fuzz::Require(whole.whole == (!broken && bytes.size() >= vantrel::RtlTcpHeader::Size));
    if (whole.refused)
        fuzz::Require(whole.taken == matching + 1);
    else
        fuzz::Require(whole.taken == std::min(bytes.size(), vantrel::RtlTcpHeader::Size));
    if (whole.whole) {
        fuzz::Require(whole.tuner == BigEndian(bytes.data() + 4));
        fuzz::Require(whole.gains == BigEndian(bytes.data() + 8));
    }
    return 0;
}
