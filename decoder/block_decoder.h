// The block decoder: sync patterns, header codewords, extended addressing and the block log.
#pragma once

#include "bit_fields.h"
#include "block_detail.h"
#include "shared_text.h"
#include "sync_search.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace modETSI300230 {

// The record of one decoded block. A fresh record has all texts empty and Corrupted false.
struct BlockInfo {
    std::string Func1;       // function of the first header
    std::string Func2;       // function of the second header, else a copy of Func1
    std::string FromCountry; // country of the second header, else a copy of ToCountry
    std::string FromAddr;    // common address + padded From of the first header
    std::string ToCountry;   // country of the first header
    std::string ToAddr;      // common address + padded To of the last header read
    std::string Message;     // printable text of a short data transfer
    bool Corrupted = false;  // some codeword of the block failed its check
    SharedText Log;          // the block's whole decoding log, ending in CR LF

    bool operator==(const BlockInfo&) const = default;
};

// The farthest a block reaches past the start of its sync pattern: the pattern, two header
// codewords and a short data transfer of sixteen data codewords.
inline constexpr std::size_t BlockReach = SyncLength + 18 * CodewordLength;

// Decodes the block whose sync pattern starts at `sync.position` of `input`: `record` gets
// every field but Log, BlockLog holds the block's lines. Returns where the remaining bit
// string starts. `input` must hold BlockReach characters from the pattern on, or run to the
// end of the bit string; the whole-file decode and the streaming decode both call it.
// `detail`, when given, receives what the record formats need; its positions count from the
// start of `input`. With BlockLogging::Skipped no log is made and BlockLog is not touched.
std::size_t DecodeBlock(std::string_view input, SyncFinder::Hit sync, BlockInfo& record,
                        BlockDetail* detail = nullptr, BlockLogging logging = BlockLogging::Kept);

// Sets BlockLog to the lines of a record that finds no pattern left.
void StartNoSyncLog();

// A record's log up to its trailer: BlockLog and the title line of the trailer. The log is
// this head, the trailer characters and CR LF.
std::string LogHead();

// Decodes every block of a bit string. BlockCount becomes the number of sync patterns
// counted; when it is at least 1, Blocks is resized to that many records, block n being
// Blocks[n - 1]. When nothing is counted, Blocks keeps whatever it held. The input is only
// read.
void DecodeStream(std::string_view bits, std::vector<BlockInfo>& Blocks, std::int32_t& BlockCount);

// The same decode, which also gives each record's detail: Details ends with exactly
// BlockCount entries (none when nothing is counted), Details[n - 1] belonging to block n.
// Blocks, BlockCount and BlockLog end exactly as the call above leaves them.
void DecodeStream(std::string_view bits, std::vector<BlockInfo>& Blocks, std::int32_t& BlockCount,
                  std::vector<BlockDetail>& Details);

} // namespace modETSI300230
