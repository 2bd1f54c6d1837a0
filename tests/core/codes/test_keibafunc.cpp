#include "core/codes/keibafunc.h"
#include "core/text/sjis.h"

#include <climits>
#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace velmora {
namespace {

std::string Utf8(const std::string &sjis)
{
    return SjisToUtf8(sjis);
}

TEST(KeibaFunc, FieldValueReadsLeadingDigitsAfterBlanks)
{
    const struct
    {
        const char *field;
        int value;
    } cases[] = {
        {"0012", 12},
        {"12 ", 12},
        {"1A", 1},
        {"  7", 7},
        {"0000", 0},
        {"", 0},
        {"    ", 0},
        {"A1", 0},
        {"-5", 0},
        {"+5", 0},
        {" 1 2", 1},
        {"\t5", 0},
        {"2147483647", INT_MAX},
        {"99999999999999999999", INT_MAX},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FieldValue(c.field), c.value) << '"' << c.field << '"';
    // A full-width blank is not a blank.
    EXPECT_EQ(FieldValue(Utf8ToSjis("　5")), 0);
}

TEST(KeibaFunc, CourseNameTable)
{
    ASSERT_TRUE(Cp932Available());
    const struct
    {
        const char *code;
        const char *name;
    } table[] = {
        {"01", "札幌"}, {"02", "函館"}, {"03", "福島"}, {"04", "新潟"}, {"05", "東京"}, {"06", "中山"}, {"07", "中京"},
        {"08", "京都"}, {"09", "阪神"}, {"10", "小倉"}, {"30", "門別"}, {"31", "北見"}, {"32", "岩見"}, {"33", "帯広"},
        {"34", "旭川"}, {"35", "盛岡"}, {"36", "水沢"}, {"37", "上山"}, {"38", "三条"}, {"39", "足利"}, {"40", "宇都"},
        {"41", "高崎"}, {"42", "浦和"}, {"43", "船橋"}, {"44", "大井"}, {"45", "川崎"}, {"46", "金沢"}, {"47", "笠松"},
        {"48", "名古"}, {"49", "紀三"}, {"50", "園田"}, {"51", "姫路"}, {"52", "益田"}, {"53", "福山"}, {"54", "高知"},
        {"55", "佐賀"}, {"56", "荒尾"}, {"57", "中津"}, {"58", "札幌"}, {"59", "函館"}, {"60", "新潟"}, {"61", "中京"},
        {"A0", "他外"}, {"A2", "日本"}, {"A4", "アメ"}, {"A6", "イギ"}, {"A8", "フラ"}, {"B0", "イン"}, {"B2", "アイ"},
        {"B4", "ニュ"}, {"B6", "オー"}, {"B8", "カナ"}, {"C0", "イタ"}, {"C2", "ドイ"}, {"C4", "    "}, {"C5", "オマ"},
        {"C6", "イラ"}, {"C7", "ア首"}, {"C8", "シリ"}, {"D0", "スウ"}, {"D2", "ハン"}, {"D4", "ポル"}, {"D6", "ロシ"},
        {"D8", "ウル"}, {"E0", "ペル"}, {"E2", "アル"}, {"E4", "ブラ"}, {"E6", "ベル"}, {"E8", "トル"}, {"F0", "韓国"},
        {"F1", "中国"}, {"F2", "チリ"}, {"F4", "    "}, {"F6", "    "}, {"F8", "パナ"}, {"G0", "香港"}, {"G2", "スペ"},
        {"G4", "    "}, {"G6", "    "}, {"G8", "    "}, {"H0", "西独"}, {"H2", "南ア"}, {"H4", "スイ"}, {"H6", "モナ"},
        {"H8", "フィ"}, {"I0", "プエ"}, {"I2", "コロ"}, {"I4", "チェ"}, {"I6", "チェ"}, {"I8", "スロ"}, {"J0", "エク"},
        {"J2", "ギリ"}, {"J4", "マレ"}, {"J6", "メキ"}, {"J8", "モロ"}, {"K0", "パキ"}, {"K2", "ポー"}, {"K4", "パラ"},
        {"K6", "サウ"}, {"K8", "キプ"}, {"L0", "タイ"}, {"L2", "ウク"}, {"L4", "ベネ"}, {"L6", "ユー"}, {"L8", "デン"},
        {"M0", "シン"}, {"M2", "澳門"}, {"M4", "墺国"}, {"M6", "約  "}, {"M8", "華  "},
    };
    ASSERT_EQ(std::size(table), 110u);
    std::set<std::string> keys;
    for (const auto &entry : table) {
        const std::string &name = CourseName(entry.code);
        EXPECT_EQ(Utf8(name), entry.name) << entry.code;
        EXPECT_EQ(name.size(), 4u) << entry.code;
        EXPECT_TRUE(keys.insert(entry.code).second) << entry.code;
    }
}

TEST(KeibaFunc, CourseNameComparesTheWholeCode)
{
    EXPECT_EQ(Utf8(CourseName("05")), "東京");
    // Central racecourses used for local racing share the names, so their
    // course-day files coincide.
    EXPECT_EQ(CourseName("58"), CourseName("01"));
    EXPECT_EQ(CourseName("61"), CourseName("07"));
    for (const char *code : {"5", " 5", "05 ", "a4", "00", "11", "29", "62", "A1", "M9", "N0", ""})
        EXPECT_EQ(CourseName(code), "    ") << '"' << code << '"';
}

TEST(KeibaFunc, RaceTypeName)
{
    const struct
    {
        const char *code;
        const char *name;
    } cases[] = {
        {"11", "サラ系２歳　　　"},  {"12", "サラ系３歳　　　"}, {"13", "サラ系３歳以上　"}, {"14", "サラ系４歳以上　"},
        {"18", "サラ障害３歳以上"},  {"19", "サラ障害４歳以上"}, {"21", "アラブ系２歳　　"}, {"22", "アラブ系３歳　　"},
        {"23", "アラブ系３歳以上"},  {"24", "アラブ系４歳以上"}, {"15", "　　　　　　　　"}, {"1", "　　　　　　　　"},
        {" 11", "　　　　　　　　"}, {"", "　　　　　　　　"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Utf8(RaceTypeName(c.code)), c.name) << '"' << c.code << '"';
        EXPECT_EQ(RaceTypeName(c.code).size(), 16u) << '"' << c.code << '"';
    }
}

TEST(KeibaFunc, WeekdayNameByValue)
{
    const char *const names[] = {"　", "土", "日", "祝", "月", "火", "水", "木", "金"};
    for (int value = 0; value <= 8; ++value) {
        EXPECT_EQ(Utf8(WeekdayName(std::to_string(value))), names[value]) << value;
        EXPECT_EQ(WeekdayName(std::to_string(value)).size(), 2u) << value;
    }
    EXPECT_EQ(Utf8(WeekdayName("")), "　");
    EXPECT_EQ(Utf8(WeekdayName(" ")), "　");
    EXPECT_EQ(Utf8(WeekdayName("x")), "　");
}

TEST(KeibaFunc, WeightRuleAndSexNames)
{
    EXPECT_EQ(Utf8(WeightRuleName("1")), "ﾊﾝﾃﾞ");
    EXPECT_EQ(WeightRuleName("1").size(), 4u) << "half-width katakana";
    EXPECT_EQ(Utf8(WeightRuleName("2")), "別定");
    EXPECT_EQ(Utf8(WeightRuleName("3")), "馬齢");
    EXPECT_EQ(Utf8(WeightRuleName("4")), "定量");
    EXPECT_EQ(Utf8(SexName("1")), "牡");
    EXPECT_EQ(Utf8(SexName("2")), "牝");
    EXPECT_EQ(Utf8(SexName("3")), "ｾﾝ");
    EXPECT_EQ(SexName("3").size(), 2u) << "half-width katakana";
    // Whole-code comparison: no numeric reading, no trimming.
    for (const char *code : {"0", "5", "01", " 1", "1 ", ""})
        EXPECT_EQ(WeightRuleName(code), "") << '"' << code << '"';
    for (const char *code : {"0", "4", "01", " 1", "1 ", ""})
        EXPECT_EQ(SexName(code), "") << '"' << code << '"';
}

TEST(KeibaFunc, TrackNameByValueRange)
{
    const struct
    {
        const char *code;
        const char *name;
    } cases[] = {
        {"09", ""},     {"10", "芝直"}, {"11", "芝左"}, {"16", "芝左"}, {"17", "芝右"}, {"22", "芝右"}, {"23", "ダ左"},
        {"24", "ダ右"}, {"25", ""},     {"28", ""},     {"29", "ダ直"}, {"30", ""},     {"50", ""},     {"51", "障害"},
        {"59", "障害"}, {"60", ""},     {"00", ""},     {"  ", ""},     {"1A", ""},     {"2x", ""},     {" 10", "芝直"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Utf8(TrackName(c.code)), c.name) << '"' << c.code << '"';
}

TEST(KeibaFunc, FormatNumberField)
{
    EXPECT_EQ(FormatNumberField("0012"), "  12");
    EXPECT_EQ(FormatNumberField("0000"), "    ");
    EXPECT_EQ(FormatNumberField("    "), "    ");
    EXPECT_EQ(FormatNumberField("12345"), "12345");
    EXPECT_EQ(FormatNumberField("  7"), "  7");
    EXPECT_EQ(FormatNumberField("9"), "9");
    EXPECT_EQ(FormatNumberField("12ab"), "  12");
    EXPECT_EQ(FormatNumberField(""), "");
}

TEST(KeibaFunc, RightAlignedWritesWhatPrintfWrites)
{
    for (const long long value : {LLONG_MIN, -1234567LL, -5LL, 0LL, 7LL, 42LL, 123456789LL, LLONG_MAX}) {
        for (const int width : {0, 1, 2, 8, 24}) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%*lld", width, value);
            EXPECT_EQ(RightAligned(value, width), expected) << value << " in " << width;
        }
    }
}

TEST(KeibaFunc, FormatTenthsField)
{
    EXPECT_EQ(FormatTenthsField("0035"), "  3.5");
    EXPECT_EQ(FormatTenthsField("1234"), "123.4");
    EXPECT_EQ(FormatTenthsField("0005"), "  0.5");
    EXPECT_EQ(FormatTenthsField("0000"), "    ") << "w blanks, not w + 1";
    EXPECT_EQ(FormatTenthsField("  7"), " 0.7");
    EXPECT_EQ(FormatTenthsField("9"), "0.9");
    EXPECT_EQ(FormatTenthsField("99999"), "9999.9");
    // Against printf's "%(w+1).1f" of value / 10 for every value of a four-digit field.
    for (int value = 1; value <= 9999; ++value) {
        char field[8];
        char expected[16];
        std::snprintf(field, sizeof field, "%04d", value);
        std::snprintf(expected, sizeof expected, "%5.1f", value / 10.0);
        ASSERT_EQ(FormatTenthsField(field), expected) << field;
    }
}

TEST(KeibaFunc, FormatCombination)
{
    const struct
    {
        const char *text;
        const char *result;
    } cases[] = {
        // bracket pairs: one digit each, 1 to 8
        {"36", " 3- 6"},
        {"18", " 1- 8"},
        {"63", " 6- 3"},
        {"09", "     "},
        {"39", "     "},
        {"90", "     "},
        {"  ", "     "},
        // horse pairs: two digits each, 1 to 18, order kept
        {"0512", " 5-12"},
        {"1805", "18- 5"},
        {"0101", " 1- 1"},
        {"1905", "     "},
        {"0519", "     "},
        {"0005", "     "},
        {" 5 6", " 5- 6"},
        // horse triples
        {"010203", " 1- 2- 3"},
        {"181716", "18-17-16"},
        {"011902", "        "},
        {"010200", "        "},
        {"190102", "        "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatCombination(c.text), c.result) << '"' << c.text << '"';
    EXPECT_EQ(FormatCombination(""), "");
    EXPECT_EQ(FormatCombination("123"), "");
}

TEST(KeibaFunc, OverwriteAt)
{
    EXPECT_EQ(OverwriteAt("HR1202405250501", "000000000", 3), "HR0000000000501");
    EXPECT_EQ(OverwriteAt("ABCDE", "XYZ", 4), "ABCXYZ");
    EXPECT_EQ(OverwriteAt("ABCDE", "XY", 1), "XYCDE");
    EXPECT_EQ(OverwriteAt("ABCDE", "XY", 5), "ABCDXY");
    EXPECT_EQ(OverwriteAt("ABCDE", "XY", 6), "ABCDEXY");
    EXPECT_EQ(OverwriteAt("ABCDE", "XY", 9), "ABCDEXY");
    EXPECT_EQ(OverwriteAt("ABCDE", "", 2), "ABCDE");
    EXPECT_EQ(OverwriteAt("", "XY", 1), "XY");
}

} // namespace
} // namespace velmora
