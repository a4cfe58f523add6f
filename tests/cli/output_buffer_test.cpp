// A file's output held for its turn comes back whole and in order, in memory or spilled to a
// temporary file.
#include "output_buffer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct BufferCase {
    const char* name;
    std::size_t memoryLimit;
    std::vector<std::string> pieces;
};

void PrintTo(const BufferCase& c, std::ostream* out) {
    *out << c.name;
}

class OutputBufferTest : public testing::TestWithParam<BufferCase> {};

TEST_P(OutputBufferTest, GivesBackWhatItTookInOrder) {
    const BufferCase& c = GetParam();
    vantrel::OutputBuffer buffer(c.memoryLimit);
    std::string expected;
    for (const std::string& piece : c.pieces) {
        buffer.Append(piece);
        expected += piece;
    }
    EXPECT_EQ(buffer.empty(), expected.empty());
    std::string out;
    buffer.WriteTo([&](std::string_view text) { out.append(text); });
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(buffer.empty());
    // Written once: a second turn gives nothing again.
    std::string again;
    buffer.WriteTo([&](std::string_view text) { again.append(text); });
    EXPECT_EQ(again, "");
}

const BufferCase BufferCases[] = {
    {"Nothing", 16, {}},
    {"WithinMemory", 16, {"abc", "def\r\n"}},
    {"ExactlyTheLimit", 6, {"abc", "def"}},
    {"SpillsAtTheLimit", 5, {"abc", "def", "ghi"}},
    {"NoMemoryAtAll", 0, {"a", "", "bc"}},
    {"LargerThanOneReadPiece", 1024, {std::string(200000, 'x'), "tail", std::string(70000, 'y')}},
};

INSTANTIATE_TEST_SUITE_P(Pieces, OutputBufferTest, testing::ValuesIn(BufferCases),
                         [](const testing::TestParamInfo<BufferCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
