#include "block_decoder.h"

#include "bit_fields.h"
#include "code_tables.h"
#include "short_data.h"

namespace modETSI300230 {

namespace {

constexpr std::string_view LabelNoFec = "[BITSYNC ][BLCSYNC ] (NO FEC)";
constexpr std::string_view LabelFec = "[BITSYNC ][BLCSYNC ] (FEC)";
constexpr std::string_view NoSyncLine = ">>> No [BITSYNC][BLCSYNC] found, terminating";
constexpr std::string_view ExternalNote =
    "           Look at next function code for real msg nature";
constexpr std::string_view CorruptedLine = ">>> Block Corrupted";
constexpr std::string_view TrailerLine = "The following bits have not been processed (yet):";

constexpr std::string_view ExternalAddressing = "001111";
constexpr std::string_view ShortDataTransfer = "011001";
constexpr std::string_view AllCallTo = "FFF";

// Fields of one header codeword's information bits; a field beyond the end of a short text
// is shorter or empty.
struct HeaderFields {
    std::string_view opMode, function, country, common, from, to;
};

std::string_view Field(std::string_view info, std::size_t start, std::size_t width) {
    return start < info.size() ? info.substr(start, width) : std::string_view{};
}

HeaderFields CutFields(std::string_view info) {
    return {Field(info, 0, 3),   Field(info, 0, 6),   Field(info, 6, 6),
            Field(info, 12, 12), Field(info, 24, 12), Field(info, 36, 12)};
}

std::uint32_t Value(std::string_view field) {
    return static_cast<std::uint32_t>(BitsToLong(field));
}

// The state one block hands through its steps: the remaining bit string, the corrupted
// flag and the record being filled.
struct BlockState {
    std::string_view rest;
    bool corrupted = false;
    BlockInfo record;
    std::string_view firstFunction;
    std::string_view secondFunction;
    bool hasSecondHeader = false;
    BlockDetail* detail = nullptr; // filled only when the caller asks for it
    BlockLogging logging = BlockLogging::Kept;
};

bool Logged(const BlockState& block) {
    return block.logging == BlockLogging::Kept;
}

void AppendLine(const BlockState& block, std::string_view a, std::string_view b = {},
                std::string_view c = {}, std::string_view d = {}) {
    if (!Logged(block))
        return;
    BlockLog += CrLf;
    BlockLog += a;
    BlockLog += b;
    BlockLog += c;
    BlockLog += d;
}

// Checks the header codeword at the front of the remaining bit string and cuts its fields.
// The information bits are kept in `info`, which the returned fields point into.
HeaderFields ReadHeader(BlockState& block, std::string& info, CodewordCheck::Kind kind) {
    const CodewordVerdict verdict = CheckCodewordVerdict(block.rest, info, block.logging);
    if (verdict.failed)
        block.corrupted = true;
    const HeaderFields fields = CutFields(info);
    if (block.detail != nullptr) {
        block.detail->codewords.push_back({kind, verdict.complete, verdict.remainder,
                                           static_cast<int>(verdict.parity), verdict.failed});
        HeaderDetail& h = block.detail->headers.emplace_back();
        h.opMode = Value(fields.opMode);
        h.function = Value(fields.function);
        h.country = Value(fields.country);
        h.common = Value(fields.common);
        h.from = Value(fields.from);
        h.to = Value(fields.to);
    }
    return fields;
}

// The header's texts as the log shows them, for the detail.
void NoteHeaderTexts(BlockState& block, std::string_view opMode, const std::string& function,
                     const std::string& country) {
    if (block.detail == nullptr)
        return;
    HeaderDetail& h = block.detail->headers.back();
    h.opModeText = opMode;
    h.functionText = function;
    h.countryText = country;
}

// The operating mode's text, made only when the log or the detail shows it.
std::string OpModeShown(const BlockState& block, std::string_view bits) {
    return Logged(block) || block.detail != nullptr ? OpModeText(bits) : std::string();
}

// "H" and the address in hexadecimal, " / " and the same in decimal, on a line of the log.
void AppendAddressLine(const BlockState& block, std::string_view label, std::string_view hex) {
    if (Logged(block))
        AppendLine(block, label, hex, " / ", DecimalForm(hex));
}

// Returns the padded To text of the first header.
std::string FirstHeader(BlockState& block, std::string& info) {
    const HeaderFields f = ReadHeader(block, info, CodewordCheck::Kind::Header);
    BlockInfo& r = block.record;
    block.firstFunction = f.function;
    const std::string opMode = OpModeShown(block, f.opMode);
    AppendLine(block, "[OPMODE  ] ", opMode);
    r.Func1 = FunctionText(f.function);
    r.Func2 = r.Func1;
    AppendLine(block, "[FUNCTION] ", r.Func1);
    if (f.function == ExternalAddressing)
        AppendLine(block, ExternalNote);
    r.ToCountry = CountryText(f.country);
    r.FromCountry = r.ToCountry;
    AppendLine(block, "[COUNTRY ] ", r.FromCountry);
    NoteHeaderTexts(block, opMode, r.Func1, r.ToCountry);
    const std::string common = HexText(Value(f.common));
    AppendLine(block, "[COM ADD1] H", common);
    const std::string from = PaddedHex(Value(f.from));
    AppendLine(block, "[FROM    ] H", from);
    r.FromAddr = common + from;
    AppendAddressLine(block, "[FRM(EXT)] H", r.FromAddr);
    std::string to = PaddedHex(Value(f.to));
    AppendLine(block, "[TO      ] H", to);
    r.ToAddr = common + to;
    return to;
}

void SecondHeader(BlockState& block, std::string& info) {
    const HeaderFields f = ReadHeader(block, info, CodewordCheck::Kind::Address);
    BlockInfo& r = block.record;
    block.secondFunction = f.function;
    block.hasSecondHeader = true;
    const std::string opMode = OpModeShown(block, f.opMode);
    AppendLine(block, "[OPMODE  ] ", opMode);
    r.Func2 = FunctionText(f.function);
    AppendLine(block, "[FUNCTION] ", r.Func2);
    r.FromCountry = CountryText(f.country);
    AppendLine(block, "[COUNTRY ] ", r.FromCountry);
    NoteHeaderTexts(block, opMode, r.Func2, r.FromCountry);
    const std::string common = HexText(Value(f.common));
    AppendLine(block, "[COM ADD2] H", common);
    if (Logged(block))
        AppendLine(block, "[FRM(FFF)] H", HexText(Value(f.from)));
    const std::string to = PaddedHex(Value(f.to));
    AppendLine(block, "[TO      ] H", to);
    r.ToAddr = common + to;
}

bool IsShortData(const BlockState& block) {
    return block.firstFunction == ShortDataTransfer ||
           (block.hasSecondHeader && block.secondFunction == ShortDataTransfer);
}

// The record's log: its head, the trailer and a final CR LF. The trailer shows the characters
// up to and including the first character of the next sync pattern, or the whole remaining
// bit string when none follows. Together the trailers hold about the whole input, so each
// one is copied once, straight into a log allocated at its final size.
SharedText FinishLog(std::string_view rest, std::size_t restStart, const SyncFinder& finder) {
    const SyncFinder::Hit next = finder.Next(restStart);
    const std::size_t shown =
        next.position == NotFound ? rest.size() : next.position - restStart + 1;
    std::string log = LogHead();
    log.reserve(log.size() + shown + CrLf.size());
    log += rest.substr(0, shown);
    log += CrLf;
    return SharedText(std::move(log));
}

} // namespace

std::size_t DecodeBlock(std::string_view input, SyncFinder::Hit sync, BlockInfo& record,
                        BlockDetail* detail, BlockLogging logging) {
    BlockState block;
    block.logging = logging;
    if (Logged(block))
        BlockLog = sync.fec ? LabelFec : LabelNoFec;
    block.rest = input.substr(sync.position + SyncLength);
    block.detail = detail;
    if (detail != nullptr) {
        detail->syncPosition = sync.position;
        detail->fec = sync.fec;
    }

    std::string firstInfo;
    std::string secondInfo;
    if (FirstHeader(block, firstInfo) == AllCallTo)
        SecondHeader(block, secondInfo);
    AppendAddressLine(block, "[TO (EXT)] H", block.record.ToAddr);

    if (IsShortData(block))
        ShortDataStep(block.rest, block.corrupted, block.record, detail, logging);

    block.record.Corrupted = block.corrupted;
    if (block.corrupted)
        AppendLine(block, CorruptedLine);
    const std::size_t restStart = input.size() - block.rest.size();
    if (detail != nullptr)
        detail->restPosition = restStart;
    record = std::move(block.record);
    return restStart;
}

void StartNoSyncLog() {
    BlockLog.clear();
    BlockLog += CrLf;
    BlockLog += NoSyncLine;
}

std::string LogHead() {
    std::string head;
    head.reserve(BlockLog.size() + TrailerLine.size() + 2 * CrLf.size());
    head += BlockLog;
    head += CrLf;
    head += TrailerLine;
    head += CrLf;
    return head;
}

namespace {

// Counts sync patterns without overlap, SyncNoFec first, as the decode will meet them.
std::int32_t CountBlocks(std::size_t length, const SyncFinder& finder) {
    std::int32_t count = 0;
    std::size_t position = 0;
    while (position < length) {
        const SyncFinder::Hit hit = finder.Next(position);
        if (hit.position == NotFound)
            break;
        ++count;
        position = hit.position + SyncLength;
    }
    return count;
}

// The decode run behind both forms of DecodeStream; `details` is null when the caller does
// not want them, which keeps the plain decode free of their cost.
void DecodeAll(std::string_view bits, std::vector<BlockInfo>& Blocks, std::int32_t& BlockCount,
               std::vector<BlockDetail>* details) {
    BlockCount = 0;
    if (details != nullptr)
        details->clear();
    // One scan of the input serves both the count and the decode.
    const SyncFinder finder(bits);
    BlockCount = CountBlocks(bits.size(), finder);
    if (BlockCount < 1)
        return;
    Blocks.assign(static_cast<std::size_t>(BlockCount), BlockInfo{});
    if (details != nullptr)
        details->assign(Blocks.size(), BlockDetail{});

    std::size_t restStart = 0;
    for (std::size_t i = 0; i < Blocks.size(); ++i) {
        BlockLog.clear();
        const SyncFinder::Hit sync = finder.Next(restStart);
        if (sync.position != NotFound) {
            restStart =
                DecodeBlock(bits, sync, Blocks[i], details != nullptr ? &(*details)[i] : nullptr);
            Blocks[i].Log = FinishLog(bits.substr(restStart), restStart, finder);
            continue;
        }
        // No pattern is left: this index and every later one get the same log, and the
        // remaining bit string no longer changes, so the log is built once and shared.
        StartNoSyncLog();
        const SharedText log = FinishLog(bits.substr(restStart), restStart, finder);
        for (std::size_t j = i; j < Blocks.size(); ++j)
            Blocks[j].Log = log;
        if (details != nullptr)
            for (std::size_t j = i; j < details->size(); ++j) {
                (*details)[j].noPatternLeft = true;
                (*details)[j].restPosition = restStart;
            }
        break;
    }
    // The trailer went straight into the records; BlockLog ends the decode holding the last
    // record's log without its final CR LF, like after any block.
    const std::string& last = Blocks.back().Log.str();
    BlockLog.assign(last, 0, last.size() - CrLf.size());
}

} // namespace

void DecodeStream(std::string_view bits, std::vector<BlockInfo>& Blocks, std::int32_t& BlockCount) {
    DecodeAll(bits, Blocks, BlockCount, nullptr);
}

void DecodeStream(std::string_view bits, std::vector<BlockInfo>& Blocks, std::int32_t& BlockCount,
                  std::vector<BlockDetail>& Details) {
    DecodeAll(bits, Blocks, BlockCount, &Details);
}

} // namespace modETSI300230
