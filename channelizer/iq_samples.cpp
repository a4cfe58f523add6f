#include "iq_samples.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace channelizer {

namespace {

// Far beyond full scale, yet small enough that a block's power stays finite in float: a float
// capture holding garbage must not poison the filters' state for good.
constexpr float MaxValue = 1e6F;

float Finite(float value) {
    return std::isfinite(value) ? std::clamp(value, -MaxValue, MaxValue) : 0.0F;
}

float S16(const std::uint8_t* b) {
    const auto value = static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | (b[1] << 8)));
    return static_cast<float>(value) / 32768.0F;
}

float F32(const std::uint8_t* b) {
    const std::uint32_t bits =
        static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
        (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    return Finite(std::bit_cast<float>(bits));
}

} // namespace

const IqFormatInfo& Info(IqFormat format) {
    return *std::find_if(IqFormats.begin(), IqFormats.end(),
                         [format](const IqFormatInfo& info) { return info.format == format; });
}

std::optional<IqFormat> IqFormatNamed(std::string_view name) {
    for (const IqFormatInfo& info : IqFormats)
        if (info.name == name)
            return info.format;
    return std::nullopt;
}

IqConverter::IqConverter(IqFormat format)
    : format_(format), pairBytes_(2 * Info(format).valueBytes) {
    for (int b = 0; b < 256; ++b) {
        // rtl_sdr's bytes are the converter's codes 0..255 for -1..+1: zero lies between 127
        // and 128, so no code is zero and the band has no DC of its own making.
        if (format == IqFormat::U8)
            byteValue_[static_cast<std::size_t>(b)] = (static_cast<float>(b) - 127.5F) / 127.5F;
        else
            byteValue_[static_cast<std::size_t>(b)] =
                static_cast<float>(static_cast<std::int8_t>(b)) / 128.0F;
    }
}

std::complex<float> IqConverter::Pair(const std::uint8_t* b) const {
    switch (format_) {
    case IqFormat::U8:
    case IqFormat::S8:
        return {byteValue_[b[0]], byteValue_[b[1]]};
    case IqFormat::S16:
        return {S16(b), S16(b + 2)};
    case IqFormat::F32:
        return {F32(b), F32(b + 4)};
    }
    return {};
}

void IqConverter::Convert(std::span<const std::uint8_t> bytes,
                          std::vector<std::complex<float>>& samples) {
    // A live source's empty piece may have no storage at all: memcpy must not see its null.
    if (bytes.empty())
        return;
    if (heldCount_ > 0) {
        const std::size_t take = std::min(pairBytes_ - heldCount_, bytes.size());
        std::memcpy(held_.data() + heldCount_, bytes.data(), take);
        heldCount_ += take;
        bytes = bytes.subspan(take);
        if (heldCount_ < pairBytes_)
            return;
        samples.push_back(Pair(held_.data()));
        heldCount_ = 0;
    }
    const std::size_t pairs = bytes.size() / pairBytes_;
    const std::size_t start = samples.size();
    samples.resize(start + pairs);
    const std::uint8_t* in = bytes.data();
    std::complex<float>* out = samples.data() + start;
    if (pairBytes_ == 2) {
        // The common case of a live receiver, kept to one look-up per byte.
        for (std::size_t i = 0; i < pairs; ++i, in += 2)
            out[i] = {byteValue_[in[0]], byteValue_[in[1]]};
    } else {
        for (std::size_t i = 0; i < pairs; ++i, in += pairBytes_)
            out[i] = Pair(in);
    }
    heldCount_ = bytes.size() - pairs * pairBytes_;
    std::memcpy(held_.data(), bytes.data() + pairs * pairBytes_, heldCount_);
}

} // namespace channelizer
