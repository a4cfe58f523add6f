// Any bytes as the start of an SDR program's WAV, as they arrive: the header reader must stop
// at the first sample wherever the bytes are cut (every start shorter than the header waits
// for more, every longer one gives the same capture), and an auxi chunk of any content gives
// a centre that is a frequency or none. The bytes as a file's name give a frequency or none.
#include "centre_in_name.h"
#include "iq_wav.h"
#include "require.h"

#include <cstdint>
#include <string_view>

namespace {

using vantrel::IqWavHeader;

bool SameStart(const vantrel::IqWavStart& a, const vantrel::IqWavStart& b) {
    return a.format == b.format && a.sampleRate == b.sampleRate && a.dataOffset == b.dataOffset &&
           a.dataBytes == b.dataBytes && a.centreHz == b.centreHz;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const IqWavHeader whole = vantrel::ReadIqWavHeader(bytes);
    if (whole.status == IqWavHeader::Status::Invalid)
        fuzz::Require(!whole.problem.empty() && whole.problem.find('\n') == std::string::npos);
    if (whole.status == IqWavHeader::Status::Ready) {
        const vantrel::IqWavStart& start = whole.start;
        fuzz::Require(start.dataOffset <= size && start.sampleRate > 0);
        for (const std::size_t cut : {start.dataOffset - 1, start.dataOffset / 2})
            fuzz::Require(vantrel::ReadIqWavHeader(bytes.substr(0, cut)).status ==
                          IqWavHeader::Status::Incomplete);
        const IqWavHeader first = vantrel::ReadIqWavHeader(bytes.substr(0, start.dataOffset));
        fuzz::Require(first.status == IqWavHeader::Status::Ready && SameStart(first.start, start));
    }
    if (const std::optional<double> centre = vantrel::AuxiCentreHz(bytes))
        fuzz::Require(*centre > 0 && *centre <= 1e12);
    if (const std::optional<double> centre = vantrel::CentreInName(bytes))
        fuzz::Require(*centre > 0 && *centre <= 1e12);
    return 0;
}
