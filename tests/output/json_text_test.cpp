// JSON strings written straight as text skip runs of eight plain bytes at once: every byte
// that is not plain, in each of the eight places of such a run, must still be escaped as the
// JSON library escapes it.
#include "json_text.h"
#include "latin1.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

namespace {

TEST(JsonText, EveryByteToEscapeIsFoundAmongSevenPlainOnes) {
    std::string bytes = "\"\\\x80\xFF";
    for (int c = 0; c < 0x20; ++c)
        bytes.push_back(static_cast<char>(c));
    for (const char c : bytes) {
        for (std::size_t place = 0; place < 8; ++place) {
            std::string text = "abcdefg";
            text.insert(place, 1, c);
            SCOPED_TRACE(testing::Message()
                         << "byte " << (static_cast<unsigned char>(c) + 0) << " at " << place);
            std::string latin1;
            vantrel::AppendJsonLatin1(latin1, text);
            EXPECT_EQ('"' + latin1 + '"', nlohmann::json(vantrel::Latin1ToUtf8(text)).dump());
            if (static_cast<unsigned char>(c) < 0x80) { // UTF-8 takes no lone byte above
                std::string utf8;
                vantrel::AppendJsonUtf8(utf8, text);
                EXPECT_EQ('"' + utf8 + '"', nlohmann::json(text).dump());
            }
        }
    }
}

} // namespace
