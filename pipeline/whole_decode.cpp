#include "whole_decode.h"

#include "recording.h"
#include "run.h"
#include "text_encoding.h"

namespace vantrel {

namespace {

// What the joined bits look like when they give nothing: no bits, or bits with blanks.
std::string ContentWarningOf(const std::string& bits, std::int32_t blockCount) {
    if (bits.find_first_of("01") == std::string::npos)
        return NoBitsWarningFor(bits);
    if (blockCount == 0 && LooksLikeSpacedBits(std::string_view(bits).substr(0, HintSampleSize)))
        return std::string(SpacedBitsWarning);
    return {};
}

} // namespace

WholeDecode DecodeWhole(const std::string& path, demod::Polarity polarity, bool stats) {
    WholeDecode decoded;
    const std::string bits = ReadAllBits(path, polarity);
    modETSI300230::SyncCounter counter(modETSI300230::SyncRule::WholeFile);
    counter.Feed(bits);
    decoded.Stats.patternsPassedOver = counter.FecPassedOver();
    if (!stats) {
        modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount);
    } else {
        std::vector<modETSI300230::BlockDetail> details;
        modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount, details);
        for (std::size_t i = 0; i < details.size(); ++i)
            decoded.Stats.Add(MakeRecord(static_cast<std::int64_t>(i + 1), decoded.Blocks[i],
                                         std::move(details[i])));
    }
    decoded.ContentWarning = ContentWarningOf(bits, decoded.BlockCount);
    return decoded;
}

} // namespace vantrel
