// IQ samples from bytes. A receiver program writes its capture as interleaved I and Q values
// in one of a few number formats; this stage turns those bytes into complex samples scaled to
// full scale 1.0, whatever size the pieces the bytes arrive in: a piece may end inside a value
// or between the I and the Q of a pair, and the bytes of that cut pair wait for the next
// piece. It knows nothing of files: the caller reads.
#pragma once

#include <array>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace channelizer {

enum class IqFormat { U8, S8, S16, F32 };

struct IqFormatInfo {
    IqFormat format;
    std::string_view name;     // as the option names it
    std::size_t valueBytes;    // bytes of one I or one Q value
    std::string_view whatItIs; // for the usage text
};

// The formats, in the order the usage lists them: the one table every use of a format reads.
inline constexpr std::array<IqFormatInfo, 4> IqFormats = {{
    {IqFormat::U8, "u8", 1, "unsigned 8-bit, 127.5 is zero (rtl_sdr)"},
    {IqFormat::S8, "s8", 1, "signed 8-bit"},
    {IqFormat::S16, "s16", 2, "signed 16-bit little-endian"},
    {IqFormat::F32, "f32", 4, "32-bit float little-endian, full scale 1.0"},
}};

const IqFormatInfo& Info(IqFormat format);
// The format called `name` (as IqFormats spells it), or nothing.
std::optional<IqFormat> IqFormatNamed(std::string_view name);

// Bytes to complex samples, piece by piece.
class IqConverter {
public:
    explicit IqConverter(IqFormat format);

    // Appends to `samples` every pair completed by `bytes` (with the bytes held from the piece
    // before); keeps the bytes of a pair cut at the end for the next call.
    void Convert(std::span<const std::uint8_t> bytes, std::vector<std::complex<float>>& samples);

    // Bytes of a cut pair waiting for the rest: at the end of a capture, the sign that it was
    // truncated (or had an odd byte count).
    std::size_t heldBytes() const { return heldCount_; }
    std::size_t pairBytes() const { return pairBytes_; }
    IqFormat format() const { return format_; }

private:
    std::complex<float> Pair(const std::uint8_t* bytes) const;

    IqFormat format_;
    std::size_t pairBytes_;
    std::array<float, 256> byteValue_{}; // u8 and s8: a byte's value, looked up
    std::array<std::uint8_t, 8> held_{};
    std::size_t heldCount_ = 0;
};

} // namespace channelizer
