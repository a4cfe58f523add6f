// The bit text a demodulator writes: lines of "0"/"1" characters ended by CR LF, each handed
// on as soon as it is complete, the last line of a transmission completed at its end, and
// nothing between transmissions. The decoder and the window read it as any recording.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vantrel {

class BitLines {
public:
    using LineSink = std::function<void(std::string_view line)>;

    static constexpr std::size_t DefaultLength = 64;

    // `write` receives each line with its CR LF.
    explicit BitLines(LineSink write, std::size_t length = DefaultLength);

    // Bits of the current transmission, in pieces of any size.
    void Add(std::string_view bits);
    // The transmission is over: its partial last line goes out now.
    void EndTransmission();

private:
    LineSink write_;
    std::size_t length_;
    std::string line_;
};

} // namespace vantrel
