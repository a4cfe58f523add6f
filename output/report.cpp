#include "report.h"

#include "channel_text.h"
#include "huge_pages.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace vantrel {

namespace {

using modETSI300230::BlockInfo;
using modETSI300230::CrLf;

constexpr std::string_view Header = "Blocks Found:";
constexpr std::string_view BlockTitle = "Block #";
constexpr std::string_view Mode1Label = "Operat. Mode 1: ";
constexpr std::string_view Mode2Label = "Operat. Mode 2: ";
constexpr std::string_view FromLabel = "From (Hex/Dec): ";
constexpr std::string_view ToLabel = "To   (Hex/Dec): ";
constexpr std::string_view MessageLabel = "Message       : ";
constexpr std::string_view CheckLabel = "Redundancy chk: ";
constexpr std::string_view CountryLabel = " Country: ";

// Labels line up in a fixed-pitch box; each must stay exactly this wide.
constexpr std::size_t LabelWidth = 16;
static_assert(Mode1Label.size() == LabelWidth && Mode2Label.size() == LabelWidth &&
              FromLabel.size() == LabelWidth && ToLabel.size() == LabelWidth &&
              MessageLabel.size() == LabelWidth && CheckLabel.size() == LabelWidth);

// The longest decimal form of a six-digit hexadecimal address ("16777215") and of any
// 32-bit count; used only to size the text before it is built.
constexpr std::size_t MaxDecimalDigits = 10;

std::string_view Verdict(const BlockInfo& block) {
    return block.Corrupted ? "ERROR" : "OK";
}

// An upper bound of the size of one block's section, so the report is allocated once.
std::size_t SectionSize(const BlockInfo& block, ReportLevel level) {
    std::size_t size = CrLf.size() + BlockTitle.size() + MaxDecimalDigits;
    if (level == ReportLevel::Debug) {
        return size + CrLf.size() + block.Log.size();
    }
    size += 6 * (CrLf.size() + LabelWidth) + CrLf.size();
    size += block.Func1.size() + block.Func2.size() + block.Message.size() + 5;
    size += block.FromAddr.size() + block.ToAddr.size() + 2 * (1 + MaxDecimalDigits);
    size += 2 * CountryLabel.size() + block.FromCountry.size() + block.ToCountry.size();
    return size;
}

void AppendLine(std::string& out, std::string_view label, std::string_view text) {
    out.append(CrLf);
    out.append(label);
    out.append(text);
}

void AppendAddressLine(std::string& out, std::string_view label, std::string_view address,
                       std::string_view country) {
    AppendLine(out, label, address);
    out.push_back('/');
    out.append(modETSI300230::DecimalForm(address));
    out.append(CountryLabel);
    out.append(country);
}

void AppendShortSection(std::string& out, const BlockInfo& block) {
    AppendLine(out, Mode1Label, block.Func1);
    AppendLine(out, Mode2Label, block.Func2);
    AppendAddressLine(out, FromLabel, block.FromAddr, block.FromCountry);
    AppendAddressLine(out, ToLabel, block.ToAddr, block.ToCountry);
    AppendLine(out, MessageLabel, block.Message);
    AppendLine(out, CheckLabel, Verdict(block));
    out.append(CrLf);
}

std::size_t ShownBlocks(const std::vector<BlockInfo>& Blocks, std::int32_t BlockCount) {
    // The count comes from the same decode as the records; never read past the records even
    // if a caller hands in a count that does not belong to them.
    return std::min(static_cast<std::size_t>(std::max<std::int32_t>(BlockCount, 0)), Blocks.size());
}

void AppendHeader(std::string& out, std::int64_t BlockCount) {
    out.append(Header);
    out.append(std::to_string(BlockCount));
    out.append(CrLf);
}

void AppendTitle(std::string& out, std::int64_t number) {
    out.append(CrLf);
    out.append(BlockTitle);
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

void AppendSection(std::string& out, const BlockInfo& block, std::size_t number,
                   ReportLevel level) {
    AppendTitle(out, static_cast<std::int64_t>(number));
    if (level == ReportLevel::Short) {
        AppendShortSection(out, block);
    } else {
        out.append(CrLf);
        out.append(block.Log.str());
    }
}

} // namespace

std::size_t ReportSizeBound(const std::vector<BlockInfo>& Blocks, std::int32_t BlockCount,
                            ReportLevel level) {
    const std::size_t shown = ShownBlocks(Blocks, BlockCount);
    std::size_t size = Header.size() + MaxDecimalDigits + 1 + CrLf.size();
    for (std::size_t i = 0; i < shown; ++i) {
        size += SectionSize(Blocks[i], level);
    }
    return size;
}

std::string RenderReport(const std::vector<BlockInfo>& Blocks, std::int32_t BlockCount,
                         ReportLevel level) {
    const std::size_t shown = ShownBlocks(Blocks, BlockCount);
    std::string report;
    report.reserve(ReportSizeBound(Blocks, BlockCount, level));
    AdviseHugePages(report.data(), report.capacity());
    AppendHeader(report, BlockCount);
    for (std::size_t i = 0; i < shown; ++i) {
        AppendSection(report, Blocks[i], i + 1, level);
    }
    return report;
}

void WriteReport(const std::vector<BlockInfo>& Blocks, std::int32_t BlockCount, ReportLevel level,
                 const std::function<void(std::string_view)>& write) {
    std::string piece;
    AppendHeader(piece, BlockCount);
    write(piece);
    const std::size_t shown = ShownBlocks(Blocks, BlockCount);
    for (std::size_t i = 0; i < shown; ++i) {
        piece.clear();
        AppendSection(piece, Blocks[i], i + 1, level);
        write(piece);
    }
}

std::string ReportHeaderText(std::int64_t BlockCount) {
    std::string text;
    AppendHeader(text, BlockCount);
    return text;
}

std::string ShortSectionText(const BlockInfo& block, std::int64_t number) {
    std::string text;
    AppendShortSectionText(text, block, number);
    return text;
}

std::string DebugSectionTitle(std::int64_t number) {
    std::string text;
    AppendDebugSectionTitle(text, number);
    return text;
}

void AppendShortSectionText(std::string& out, const BlockInfo& block, std::int64_t number) {
    AppendTitle(out, number);
    AppendShortSection(out, block);
}

void AppendDebugSectionTitle(std::string& out, std::int64_t number) {
    AppendTitle(out, number);
    out.append(CrLf);
}

std::string FinalTimeLine(std::string_view time) {
    std::string line = "Final (UTC)   : ";
    line += time;
    line += modETSI300230::CrLf;
    return line;
}

std::string ChannelLine(std::uint64_t hz) {
    std::string line = "Channel       : ";
    line += ChannelText(hz);
    line += modETSI300230::CrLf;
    return line;
}

} // namespace vantrel
