#include "encoder.h"
#include "json_report.h"

#include <gtest/gtest.h>

namespace {

vantrel::DecodedFile Decode(std::string_view bits) {
    vantrel::DecodedFile decoded;
    modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount);
    return decoded;
}

TEST(JsonReport, CarriesEveryFieldOfEveryBlock) {
    const auto decoded = Decode(
        encoder::CallBlock({.from = 0x123, .to = 0xABC}) +
        encoder::ExtendedBlock({.common = 0x9, .to = encoder::AllCallTo},
                               {.function = encoder::NormalCall, .common = 0x12, .to = 0x456}));
    ASSERT_EQ(decoded.BlockCount, 2);
    const auto json = vantrel::JsonReport("rx.txt", decoded);

    EXPECT_EQ(json["Path"], "rx.txt");
    EXPECT_EQ(json["BlockCount"], 2);
    ASSERT_EQ(json["Blocks"].size(), 2U);
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& block = json["Blocks"][i];
        const auto& record = decoded.Blocks[i];
        std::vector<std::string> keys;
        for (const auto& item : block.items()) {
            keys.push_back(item.key());
        }
        EXPECT_EQ(keys, (std::vector<std::string>{"Func1", "Func2", "FromCountry", "FromAddr",
                                                  "FromAddrDec", "ToCountry", "ToAddr", "ToAddrDec",
                                                  "Message", "Corrupted", "Log"}));
        EXPECT_EQ(block["Func1"], record.Func1);
        EXPECT_EQ(block["Func2"], record.Func2);
        EXPECT_EQ(block["FromCountry"], record.FromCountry);
        EXPECT_EQ(block["FromAddr"], record.FromAddr);
        EXPECT_EQ(block["ToCountry"], record.ToCountry);
        EXPECT_EQ(block["ToAddr"], record.ToAddr);
        EXPECT_EQ(block["Message"], record.Message);
        EXPECT_EQ(block["Corrupted"], record.Corrupted);
        EXPECT_EQ(block["Log"], record.Log.str());
    }
    EXPECT_EQ(json["Blocks"][0]["FromAddr"], "1123");
    EXPECT_EQ(json["Blocks"][0]["FromAddrDec"], 0x1123);
    EXPECT_EQ(json["Blocks"][0]["ToAddrDec"], 0x1ABC);
    EXPECT_EQ(json["Blocks"][1]["ToAddr"], "12456");
    EXPECT_EQ(json["Blocks"][1]["ToAddrDec"], 0x12456);
}

TEST(JsonReport, ListsOnlyTheCountedBlocks) {
    auto decoded = Decode(encoder::CallBlock({}) + encoder::CallBlock({}));
    modETSI300230::DecodeStream("no sync", decoded.Blocks, decoded.BlockCount);
    const auto json = vantrel::JsonReport("rx.txt", decoded);
    EXPECT_EQ(json["BlockCount"], 0);
    EXPECT_TRUE(json["Blocks"].is_array());
    EXPECT_TRUE(json["Blocks"].empty());
}

TEST(JsonReport, EightBitTextsAndPathsComeOutAsValidUtf8) {
    vantrel::DecodedFile decoded;
    decoded.Blocks.resize(1);
    decoded.Blocks[0].Message = "caf\xE9";
    decoded.Blocks[0].Log = modETSI300230::SharedText("\xFF\r\n");
    decoded.BlockCount = 1;
    // A path already in UTF-8 stays as it is; one that is not is taken as Latin-1.
    const auto utf8Path = vantrel::JsonReport("/rx/caf\xC3\xA9.txt", decoded);
    const auto latin1Path = vantrel::JsonReport("/rx/caf\xE9.txt", decoded);
    EXPECT_EQ(utf8Path["Path"], "/rx/caf\xC3\xA9.txt");
    EXPECT_EQ(latin1Path["Path"], "/rx/caf\xC3\xA9.txt");
    EXPECT_EQ(utf8Path["Blocks"][0]["Message"], "caf\xC3\xA9");
    EXPECT_EQ(utf8Path["Blocks"][0]["Log"], "\xC3\xBF\r\n");
    EXPECT_NO_THROW((void)latin1Path.dump());
}

} // namespace
