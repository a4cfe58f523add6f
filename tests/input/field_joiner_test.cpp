// The piecewise reader against the whole-file one: however a text is cut, the field joiner
// gives what JoinFields and RemoveLineFeeds give for the whole text.
#include "bit_file.h"
#include "encoder.h"
#include "field_joiner.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

// Every way of cutting a text in two gives the whole-file join, and every character keeps its
// place: a quote, a CR LF or a sync pattern split between pieces.
TEST(FieldJoinerTest, EverySplitJoinsAsTheWholeFile) {
    const std::string sync = encoder::SyncPattern(encoder::Sync::NoFec);
    const std::string texts[] = {
        "\"01\r\n10\",  11 \t,\r\n\"0\"1\"",
        "0101\r\n1010\r1111\n0000, 11 ,\"1\n1\"",
        " \t\"\"\",01 1\t,\r\n\r\n",
        sync.substr(0, 13) + "\r\n" + sync.substr(13),
        // Long runs of one blank wait in a field as their length, short ones as they are.
        "01" + std::string(20, ' ') + "\t\t" + std::string(12, '\t') + " \t \t1" +
            std::string(9, ' ') + "0" + std::string(30, ' ') + ",1",
    };
    for (const std::string& text : texts) {
        const std::string expected = vantrel::RemoveLineFeeds(vantrel::JoinFields(text));
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            vantrel::FieldJoiner joiner;
            std::string out;
            joiner.Join(std::string_view(text).substr(0, cut), out);
            joiner.Join(std::string_view(text).substr(cut), out);
            EXPECT_EQ(out, expected) << testing::PrintToString(text) << " cut at " << cut;
        }
    }
}

} // namespace
