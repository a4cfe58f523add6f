// Records for the store's tests, made as a run makes them: blocks from the test encoder through
// the decoder, then MakeRecord.
#pragma once

#include "decoded_record.h"
#include "encoder.h"
#include "modETSI300230.h"

#include <string>
#include <vector>

namespace vantrel::test {

inline std::vector<DecodedRecord> RecordsOf(const std::string& bits, const RecordSource& source) {
    std::vector<modETSI300230::BlockInfo> blocks;
    std::vector<modETSI300230::BlockDetail> details;
    std::int32_t count = 0;
    modETSI300230::DecodeStream(bits, blocks, count, details);
    std::vector<DecodedRecord> records;
    for (std::int32_t i = 0; i < count; ++i)
        records.push_back(MakeRecord(i + 1, blocks[i], details[i], source));
    return records;
}

// A unit's call, a call with extended addressing, a trusted GPS position, a text, and a call
// with a failed header codeword: one of each kind a table and a page treat apart.
inline std::string MixedBits() {
    using namespace encoder;
    const Header call{NormalCall, 10, 1, 0x234, 0x567};
    Header position{ShortData, 10, 4, 0x11, 0x1};
    std::string bits = "0110" + CallBlock(call) + "1100";
    bits += ExtendedBlock({NormalCall, 10, 8, 0x123, AllCallTo}, {NormalCall, 12, 2, 0x9C4, 0x9C4});
    bits += "10" + ShortDataBlock(position, NmeaSentence("GPRMC,123519,A,4807.038,N,01131.000,E,"
                                                         "022.4,084.4,230394,003.1,W"));
    bits += ShortDataBlock({ShortData, 10, 1, 0x234, 0x0C8}, "Back at 5, \"ok\" <b>");
    bits += Block(Sync::NoFec, {Corrupt(HeaderCodeword(call), 7)}) + "0101";
    return bits;
}

} // namespace vantrel::test
