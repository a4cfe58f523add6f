#include "whole_decode.h"

#include "recording.h"

namespace vantrel {

WholeDecode DecodeWhole(const std::string& path, demod::Polarity polarity, bool stats) {
    WholeDecode decoded;
    const std::string bits = ReadAllBits(path, polarity);
    decoded.NoBitCharacters = bits.find_first_of("01") == std::string::npos;
    modETSI300230::SyncCounter counter(modETSI300230::SyncRule::WholeFile);
    counter.Feed(bits);
    decoded.Stats.patternsPassedOver = counter.FecPassedOver();
    if (!stats) {
        modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount);
        return decoded;
    }
    std::vector<modETSI300230::BlockDetail> details;
    modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount, details);
    for (std::size_t i = 0; i < details.size(); ++i)
        decoded.Stats.Add(
            MakeRecord(static_cast<std::int64_t>(i + 1), decoded.Blocks[i], std::move(details[i])));
    return decoded;
}

} // namespace vantrel
