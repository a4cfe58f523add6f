#include "stream_maker.h"

#include "encoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <vector>

namespace streams {

namespace {

using encoder::Header;
using encoder::Sync;

constexpr std::array<std::string_view, 6> KindNames = {"realistic",  "fec-only",    "packed",
                                                       "long-noise", "undecodable", "dense"};

const std::string NoFecPattern = encoder::SyncPattern(Sync::NoFec);
const std::string FecPattern = encoder::SyncPattern(Sync::Fec);
constexpr std::size_t PatternLength = 28;
constexpr std::size_t HeaderLength = 64;

// Passes the stream on to `emit` and keeps chance sync patterns out of its noise. A stream
// that promises "no NO FEC pattern" or "a single block" must keep that promise at every
// size, and random noise of a few hundred megabytes holds a chance pattern now and then.
class Writer {
public:
    Writer(const std::function<void(std::string_view)>& emit, std::vector<std::string> forbidden)
        : emit_(emit), forbidden_(std::move(forbidden)) {}

    // True when `block` itself holds a pattern the stream must not have; such a block is made
    // anew by the caller, since changing it would corrupt it.
    bool Forbids(std::string_view block) const {
        for (const std::string& pattern : forbidden_)
            if (block.find(pattern) != std::string_view::npos)
                return true;
        return false;
    }

    // Noise followed by a block (either may be empty).
    void Add(std::string noise, std::string_view block) {
        Scrub(noise, block);
        Emit(noise);
        Emit(block);
    }

    std::size_t size() const { return size_; }

private:
    // Every forbidden pattern that touches the noise (or spans it, from the end of the last
    // block into the next) loses one of its noise characters, until none is left.
    void Scrub(std::string& noise, std::string_view block) {
        if (noise.empty() || forbidden_.empty())
            return;
        for (bool changed = true; changed;) {
            changed = false;
            const std::string text = tail_ + noise + std::string(block);
            for (const std::string& pattern : forbidden_) {
                const std::size_t at = text.find(pattern);
                if (at == std::string::npos)
                    continue;
                const std::size_t first = std::max(at, tail_.size());
                if (first >= tail_.size() + noise.size())
                    continue; // inside the block or the tail alone: not noise to mend
                char& c = noise[first - tail_.size()];
                c = c == '1' ? '0' : '1';
                changed = true;
            }
        }
    }

    void Emit(std::string_view piece) {
        if (piece.empty())
            return;
        emit_(piece);
        size_ += piece.size();
        tail_ += piece;
        if (tail_.size() > PatternLength - 1)
            tail_.erase(0, tail_.size() - (PatternLength - 1));
    }

    const std::function<void(std::string_view)>& emit_;
    std::vector<std::string> forbidden_;
    std::string tail_; // the last 27 characters emitted: a pattern may start in them
    std::size_t size_ = 0;
};

class Maker {
public:
    explicit Maker(std::uint64_t seed) : rng_(seed) {}

    // The generator's own arithmetic instead of the library's distributions, whose results
    // differ between standard libraries: the same seed gives the same stream everywhere.
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(rng_() % n); }
    bool Percent(std::uint32_t p) { return Below(100) < p; }

    // Random "0"/"1" characters, 64 from every draw.
    std::string Noise(std::size_t length) {
        std::string noise(length, '0');
        for (std::size_t i = 0; i < length; i += 64) {
            std::uint64_t draw = rng_();
            for (std::size_t k = i; k < length && k < i + 64; ++k, draw >>= 1)
                noise[k] = static_cast<char>('0' + (draw & 1U));
        }
        return noise;
    }

    // The gap before a block in a realistic recording: blocks come about every 2,000
    // characters.
    std::string Gap() { return Noise(1500 + Below(800)); }

    // The gap before a block on a busy channel: with blocks of about 300 characters, one
    // block every 540 characters or so.
    std::string DenseGap() { return Noise(130 + Below(200)); }

    Header RandomHeader(std::uint32_t function) {
        Header h;
        h.function = function;
        h.country = Below(32); // the countries a network actually uses
        h.common = Below(0x1000);
        h.from = Below(0xFFF);
        h.to = Below(0xFFF); // never FFF: that would call for a second header
        return h;
    }

    // Calls, acknowledgements and status messages, the bulk of a channel's traffic.
    std::uint32_t CallFunction() {
        static constexpr std::array<std::uint32_t, 12> Functions = {
            encoder::NormalCall, encoder::NormalCall, 8, 9, 11, 12, 13, 18, 18, 20, 32, 40};
        return Functions[Below(Functions.size())];
    }

    // A position report as a GPS receiver sends it, with its checksum (now and then damaged
    // on the way) and the CR LF the receiver ends its lines with.
    std::string GpsSentence() {
        char body[96];
        const unsigned time = Below(24) * 10000 + Below(60) * 100 + Below(60);
        const unsigned latDeg = Below(90), latMin = Below(60), latFrac = Below(1000);
        const unsigned lonDeg = Below(180), lonMin = Below(60), lonFrac = Below(1000);
        const char ns = Percent(50) ? 'N' : 'S';
        const char ew = Percent(50) ? 'E' : 'W';
        if (Percent(50))
            std::snprintf(body, sizeof body,
                          "$GPRMC,%06u,A,%02u%02u.%03u,%c,%03u%02u.%03u,%c,%03u.%u,%03u.%u,230394,"
                          "003.1,W",
                          time, latDeg, latMin, latFrac, ns, lonDeg, lonMin, lonFrac, ew,
                          Below(100), Below(10), Below(360), Below(10));
        else
            std::snprintf(body, sizeof body,
                          "$GPGGA,%06u,%02u%02u.%03u,%c,%03u%02u.%03u,%c,1,08,1.03,61.7,M,55.2,M,,",
                          time, latDeg, latMin, latFrac, ns, lonDeg, lonMin, lonFrac, ew);
        const std::string sentence = body;
        unsigned sum = 0;
        for (std::size_t i = 1; i < sentence.size(); ++i)
            sum ^= static_cast<unsigned char>(sentence[i]);
        if (Percent(5))
            sum ^= 0x11;
        char digits[4];
        std::snprintf(digits, sizeof digits, "*%02X", sum & 0xFFU);
        return sentence + digits + "\r\n";
    }

    std::string PlainText() {
        static constexpr std::array<std::string_view, 4> Texts = {
            "CALL BASE ON CH 2", "ETA 15 MIN", "ALL UNITS RETURN TO DEPOT", "OK"};
        return std::string(Texts[Below(Texts.size())]);
    }

    // One block of the realistic mix: plain calls, extended addressing, short data with GPS
    // positions or text, a share of them hit by interference.
    std::string RealisticBlock(Sync sync) {
        std::vector<std::string> words;
        const std::uint32_t kind = Below(100);
        if (kind < 55) {
            words.push_back(encoder::HeaderCodeword(RandomHeader(CallFunction())));
        } else if (kind < 70) {
            Header first =
                RandomHeader(Percent(50) ? encoder::ExternalAddressing : encoder::NormalCall);
            first.to = encoder::AllCallTo;
            const bool data = Percent(30);
            words.push_back(encoder::HeaderCodeword(first));
            words.push_back(
                encoder::HeaderCodeword(RandomHeader(data ? encoder::ShortData : CallFunction())));
            if (data)
                for (std::string& w : encoder::ShortDataCodewords(PlainText()))
                    words.push_back(std::move(w));
        } else {
            words.push_back(encoder::HeaderCodeword(RandomHeader(encoder::ShortData)));
            const std::string text = kind < 92 ? GpsSentence() : PlainText();
            for (std::string& w : encoder::ShortDataCodewords(text))
                words.push_back(std::move(w));
        }
        if (Percent(10)) {
            std::string& hit = words[Below(static_cast<std::uint32_t>(words.size()))];
            hit = encoder::Corrupt(hit, Below(HeaderLength));
        }
        return encoder::Block(sync, words);
    }

    Sync MixedSync() { return Percent(15) ? Sync::Fec : Sync::NoFec; }

private:
    std::mt19937_64 rng_;
};

enum class Gaps { Realistic, Dense, None };

void Realistic(Maker& make, Writer& out, std::size_t bits, Gaps gaps) {
    while (out.size() < bits) {
        std::string gap = gaps == Gaps::Realistic ? make.Gap()
                          : gaps == Gaps::Dense   ? make.DenseGap()
                                                  : std::string();
        out.Add(std::move(gap), make.RealisticBlock(make.MixedSync()));
    }
}

void FecOnly(Maker& make, Writer& out, std::size_t bits) {
    while (out.size() < bits) {
        std::string block;
        do {
            block = make.RealisticBlock(Sync::Fec);
        } while (out.Forbids(block));
        out.Add(make.Gap(), block);
    }
}

void LongNoise(Maker& make, Writer& out, std::size_t bits) {
    std::string block;
    do {
        block = make.RealisticBlock(Sync::NoFec);
    } while (block.find(NoFecPattern, 1) != std::string::npos ||
             block.find(FecPattern) != std::string::npos);
    const std::size_t noise = bits > block.size() ? bits - block.size() : 0;
    // Noise is made and handed on in pieces; only the last piece is joined to the block.
    constexpr std::size_t Piece = std::size_t{1} << 20;
    std::size_t made = 0;
    while (noise - made > Piece) {
        out.Add(make.Noise(Piece), {});
        made += Piece;
    }
    out.Add(make.Noise(noise - made), block);
}

// Each pair: a NO FEC pattern whose header codeword holds the start of a second NO FEC
// pattern. Both are counted, only the first is decoded, so the decode runs out of patterns
// half way through its count; every record after that shows the whole tail.
void Undecodable(Maker& make, Writer& out, std::size_t bits, std::size_t pairs) {
    for (std::size_t i = 0; i < pairs; ++i) {
        const std::size_t offset = make.Below(HeaderLength);
        std::string pair = NoFecPattern + make.Noise(offset) + NoFecPattern;
        if (offset + PatternLength < HeaderLength)
            pair += make.Noise(HeaderLength - offset - PatternLength);
        out.Add(make.Noise(200 + make.Below(200)), pair);
    }
    constexpr std::size_t Piece = std::size_t{1} << 20;
    while (out.size() < bits)
        out.Add(make.Noise(std::min(Piece, bits - out.size())), {});
}

} // namespace

std::optional<Kind> KindByName(std::string_view name) {
    for (std::size_t i = 0; i < KindNames.size(); ++i)
        if (KindNames[i] == name)
            return static_cast<Kind>(i);
    return std::nullopt;
}

std::string_view KindName(Kind kind) {
    return KindNames[static_cast<std::size_t>(kind)];
}

void Generate(const Options& options, const std::function<void(std::string_view)>& emit) {
    Maker make(options.seed);
    switch (options.kind) {
    case Kind::Realistic: {
        Writer out(emit, {});
        Realistic(make, out, options.bits, Gaps::Realistic);
        break;
    }
    case Kind::Dense: {
        Writer out(emit, {});
        Realistic(make, out, options.bits, Gaps::Dense);
        break;
    }
    case Kind::Packed: {
        Writer out(emit, {});
        Realistic(make, out, options.bits, Gaps::None);
        break;
    }
    case Kind::FecOnly: {
        Writer out(emit, {NoFecPattern});
        FecOnly(make, out, options.bits);
        break;
    }
    case Kind::LongNoise: {
        Writer out(emit, {NoFecPattern, FecPattern});
        LongNoise(make, out, options.bits);
        break;
    }
    case Kind::Undecodable: {
        Writer out(emit, {NoFecPattern, FecPattern});
        Undecodable(make, out, options.bits, options.pairs);
        break;
    }
    }
}

std::string GenerateBits(const Options& options) {
    std::string bits;
    bits.reserve(options.bits + 4096);
    Generate(options, [&](std::string_view piece) { bits += piece; });
    return bits;
}

} // namespace streams
