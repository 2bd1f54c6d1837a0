#include "core/text/sjis.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(Sjis, CodecMapsCp932SpecificCharacters)
{
    ASSERT_TRUE(Cp932Available());
    // ～ ① 髙 ｱ: the wave dash form, NEC special, IBM extension, half-width katakana.
    EXPECT_EQ(Utf8ToSjis("～①髙ｱ"), std::string("\x81\x60\x87\x40\xFB\xFC\xB1"));
    EXPECT_EQ(SjisToUtf8("\x81\x60\x87\x40\xFB\xFC\xB1"), "～①髙ｱ");
    EXPECT_EQ(Utf8ToSjis("東京"), std::string("\x93\x8C\x8B\x9E"));
}

TEST(Sjis, DecodingReportsCutAndInvalidBytes)
{
    bool ok = true;
    FromSjis("\x93\x8C\x8B", &ok); // lead byte of 京 cut off
    EXPECT_FALSE(ok);
    FromSjis("\x93\x8C", &ok);
    EXPECT_TRUE(ok);
    FromSjis(std::string_view("\x85\x40", 2), &ok); // unassigned row
    EXPECT_FALSE(ok);
    // A field cut in the middle of a character does not spoil the next call.
    FromSjis("\x93", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(FromSjis("\x8B\x9E", &ok), QString::fromUtf8("京"));
    EXPECT_TRUE(ok);
}

TEST(Sjis, UnmappableCharactersBecomeQuestionMarks)
{
    bool ok = true;
    EXPECT_EQ(ToSjis(QString::fromUtf8("a😀b東"), &ok), std::string("a?b\x93\x8C"));
    EXPECT_FALSE(ok);
    // Neither the failure nor a clean text carries over to the next one.
    EXPECT_EQ(ToSjis(QString::fromUtf8("東"), &ok), std::string("\x93\x8C"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(ToSjis(QString::fromUtf8("😀"), &ok), "?");
    EXPECT_FALSE(ok);
}

TEST(Sjis, LiteralsAreConvertedOnceAndKept)
{
    const std::string &first = Sj("年");
    EXPECT_EQ(first, std::string("\x94\x4E"));
    EXPECT_EQ(&Sj("年"), &Sj("年")) << "the same literal is served from one place";
}

TEST(Sjis, TrimAndFormat)
{
    EXPECT_EQ(TrimBlanks("  ab c  "), "ab c");
    EXPECT_EQ(TrimBlanks("    "), "");
    EXPECT_EQ(TrimTrailingBlanks("  ab  "), "  ab");
    EXPECT_EQ(Format("%2d - %2d", 3, 12), " 3 - 12");
    EXPECT_EQ(Format("%s", std::string(300, 'x').c_str()).size(), 300u);
}

} // namespace
} // namespace velmora
