#include "core/codes/keibafunc.h"

#include "core/text/sjis.h"

#include <array>
#include <charconv>
#include <climits>
#include <utility>
#include <vector>

namespace velmora {
namespace {

struct CodeText
{
    const char *code;
    const char *text; // UTF-8 in the source; served as CP932
};

/** A keyed table converted to CP932 once; lookups compare the code byte for byte. */
class CodeTable
{
  public:
    CodeTable(std::initializer_list<CodeText> entries, const char *fallback)
        : m_fallback(Utf8ToSjis(fallback))
    {
        for (const CodeText &entry : entries)
            m_entries.emplace_back(entry.code, Utf8ToSjis(entry.text));
    }

    const std::string &lookup(std::string_view code) const
    {
        for (const auto &[key, text] : m_entries) {
            if (key == code)
                return text;
        }
        return m_fallback;
    }

    /** The first code whose text is `text`, or the empty text. */
    std::string codeOf(std::string_view text) const
    {
        for (const auto &[key, entry] : m_entries) {
            if (entry == text)
                return key;
        }
        return {};
    }

  private:
    std::vector<std::pair<std::string, std::string>> m_entries;
    std::string m_fallback;
};

const std::string &Empty()
{
    static const std::string empty;
    return empty;
}

/** Racecourses and countries by code, style 2. */
const CodeTable &CourseTable()
{
    static const CodeTable table(
        {
            {"01", "札幌"}, {"02", "函館"}, {"03", "福島"}, {"04", "新潟"}, {"05", "東京"}, {"06", "中山"},
            {"07", "中京"}, {"08", "京都"}, {"09", "阪神"}, {"10", "小倉"}, {"30", "門別"}, {"31", "北見"},
            {"32", "岩見"}, {"33", "帯広"}, {"34", "旭川"}, {"35", "盛岡"}, {"36", "水沢"}, {"37", "上山"},
            {"38", "三条"}, {"39", "足利"}, {"40", "宇都"}, {"41", "高崎"}, {"42", "浦和"}, {"43", "船橋"},
            {"44", "大井"}, {"45", "川崎"}, {"46", "金沢"}, {"47", "笠松"}, {"48", "名古"}, {"49", "紀三"},
            {"50", "園田"}, {"51", "姫路"}, {"52", "益田"}, {"53", "福山"}, {"54", "高知"}, {"55", "佐賀"},
            {"56", "荒尾"}, {"57", "中津"}, {"58", "札幌"}, {"59", "函館"}, {"60", "新潟"}, {"61", "中京"},
            {"A0", "他外"}, {"A2", "日本"}, {"A4", "アメ"}, {"A6", "イギ"}, {"A8", "フラ"}, {"B0", "イン"},
            {"B2", "アイ"}, {"B4", "ニュ"}, {"B6", "オー"}, {"B8", "カナ"}, {"C0", "イタ"}, {"C2", "ドイ"},
            {"C4", "    "}, {"C5", "オマ"}, {"C6", "イラ"}, {"C7", "ア首"}, {"C8", "シリ"}, {"D0", "スウ"},
            {"D2", "ハン"}, {"D4", "ポル"}, {"D6", "ロシ"}, {"D8", "ウル"}, {"E0", "ペル"}, {"E2", "アル"},
            {"E4", "ブラ"}, {"E6", "ベル"}, {"E8", "トル"}, {"F0", "韓国"}, {"F1", "中国"}, {"F2", "チリ"},
            {"F4", "    "}, {"F6", "    "}, {"F8", "パナ"}, {"G0", "香港"}, {"G2", "スペ"}, {"G4", "    "},
            {"G6", "    "}, {"G8", "    "}, {"H0", "西独"}, {"H2", "南ア"}, {"H4", "スイ"}, {"H6", "モナ"},
            {"H8", "フィ"}, {"I0", "プエ"}, {"I2", "コロ"}, {"I4", "チェ"}, {"I6", "チェ"}, {"I8", "スロ"},
            {"J0", "エク"}, {"J2", "ギリ"}, {"J4", "マレ"}, {"J6", "メキ"}, {"J8", "モロ"}, {"K0", "パキ"},
            {"K2", "ポー"}, {"K4", "パラ"}, {"K6", "サウ"}, {"K8", "キプ"}, {"L0", "タイ"}, {"L2", "ウク"},
            {"L4", "ベネ"}, {"L6", "ユー"}, {"L8", "デン"}, {"M0", "シン"}, {"M2", "澳門"}, {"M4", "墺国"},
            {"M6", "約  "}, {"M8", "華  "},
        },
        "    ");
    return table;
}

} // namespace

const std::string &CourseName(std::string_view code, int /*style*/)
{
    return CourseTable().lookup(code);
}

std::string CourseCodeOf(std::string_view name)
{
    // Blank names stand for codes without a racecourse: they name none.
    if (TrimBlanks(name).empty())
        return {};
    return CourseTable().codeOf(name);
}

int FieldValue(std::string_view field)
{
    size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    long long value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(value);
}

const std::string &RaceTypeName(std::string_view code, int /*style*/)
{
    static const CodeTable table(
        {
            {"11", "サラ系２歳　　　"},
            {"12", "サラ系３歳　　　"},
            {"13", "サラ系３歳以上　"},
            {"14", "サラ系４歳以上　"},
            {"18", "サラ障害３歳以上"},
            {"19", "サラ障害４歳以上"},
            {"21", "アラブ系２歳　　"},
            {"22", "アラブ系３歳　　"},
            {"23", "アラブ系３歳以上"},
            {"24", "アラブ系４歳以上"},
        },
        "　　　　　　　　");
    return table.lookup(code);
}

const std::string &WeekdayName(std::string_view code, int /*style*/)
{
    static const std::array<std::string, 9> names = {
        Utf8ToSjis("　"), Utf8ToSjis("土"), Utf8ToSjis("日"), Utf8ToSjis("祝"), Utf8ToSjis("月"),
        Utf8ToSjis("火"), Utf8ToSjis("水"), Utf8ToSjis("木"), Utf8ToSjis("金"),
    };
    const int value = FieldValue(code);
    return value >= 0 && value <= 8 ? names[static_cast<size_t>(value)] : Empty();
}

const std::string &WeightRuleName(std::string_view code)
{
    static const CodeTable table({{"1", "ﾊﾝﾃﾞ"}, {"2", "別定"}, {"3", "馬齢"}, {"4", "定量"}}, "");
    return table.lookup(code);
}

const std::string &TrackName(std::string_view code)
{
    static const std::array<std::string, 7> names = {
        Utf8ToSjis("芝直"), Utf8ToSjis("芝左"), Utf8ToSjis("芝右"), Utf8ToSjis("ダ左"),
        Utf8ToSjis("ダ右"), Utf8ToSjis("ダ直"), Utf8ToSjis("障害"),
    };
    const int value = FieldValue(code);
    if (value == 10)
        return names[0];
    if (value >= 11 && value <= 16)
        return names[1];
    if (value >= 17 && value <= 22)
        return names[2];
    if (value == 23)
        return names[3];
    if (value == 24)
        return names[4];
    if (value == 29)
        return names[5];
    if (value >= 51 && value <= 59)
        return names[6];
    return Empty();
}

const std::string &SexName(std::string_view code)
{
    static const CodeTable table({{"1", "牡"}, {"2", "牝"}, {"3", "ｾﾝ"}}, "");
    return table.lookup(code);
}

std::string FormatNumberField(std::string_view field)
{
    const int width = static_cast<int>(field.size());
    const int value = FieldValue(field);
    if (value == 0)
        return std::string(field.size(), ' ');
    return RightAligned(value, width);
}

std::string FormatTenthsField(std::string_view field)
{
    const int width = static_cast<int>(field.size());
    const int value = FieldValue(field);
    if (value == 0)
        return std::string(field.size(), ' ');
    // The value is whole, so its digits with a point before the last one are exact;
    // printf of value / 10.0 would round through binary fractions.
    std::string digits = std::to_string(value / 10) + "." + std::to_string(value % 10);
    if (static_cast<int>(digits.size()) < width + 1)
        digits.insert(0, static_cast<size_t>(width + 1) - digits.size(), ' ');
    return digits;
}

std::string RightAligned(long long value, int width)
{
    std::array<char, 24> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    const auto length = static_cast<size_t>(end - digits.data());
    std::string text(width > 0 && static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0, ' ');
    text.append(digits.data(), length);
    return text;
}

CombinationNumbers ReadCombination(std::string_view text)
{
    CombinationNumbers read;
    size_t digits = 0;
    int highest = 18;
    switch (text.size()) {
    case 2:
        digits = 1;
        highest = 8;
        break;
    case 4:
    case 6:
        digits = 2;
        break;
    default:
        return read;
    }
    const int count = static_cast<int>(text.size() / digits);
    for (int i = 0; i < count; ++i) {
        const int value = FieldValue(text.substr(static_cast<size_t>(i) * digits, digits));
        if (value < 1 || value > highest)
            return read;
        read.numbers[static_cast<size_t>(i)] = value;
    }
    read.count = count;
    return read;
}

std::string FormatCombination(std::string_view text)
{
    if (text.size() != 2 && text.size() != 4 && text.size() != 6)
        return {};
    const CombinationNumbers read = ReadCombination(text);
    if (read.count == 0)
        return std::string(text.size() == 6 ? 8 : 5, ' ');
    std::string formatted;
    for (int i = 0; i < read.count; ++i) {
        const int value = read.numbers[static_cast<size_t>(i)];
        if (i > 0)
            formatted += '-';
        formatted += value < 10 ? ' ' : static_cast<char>('0' + value / 10);
        formatted += static_cast<char>('0' + value % 10);
    }
    return formatted;
}

std::string OverwriteAt(std::string_view text, std::string_view piece, int position)
{
    std::string result(text);
    const size_t at = position < 1 ? 0 : static_cast<size_t>(position - 1);
    if (at >= result.size()) {
        result.append(piece);
        return result;
    }
    result.erase(at, piece.size());
    result.insert(at, piece);
    return result;
}

} // namespace velmora
