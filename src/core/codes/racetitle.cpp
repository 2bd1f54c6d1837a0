#include "core/codes/racetitle.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/text/sjis.h"

namespace velmora {
namespace {

/** A race type as titles name it: "障害" or "アラブ系", the youngest age, whether older horses run too. */
struct RaceTypeTitle
{
    const char *code;
    const char *breed; ///< before the age
    int youngestAge;   ///< whose condition names the class
    bool andOlder;     ///< "以上"
    bool jump;
};

constexpr RaceTypeTitle kRaceTypes[] = {
    {"11", "", 2, false, false},         {"12", "", 3, false, false},         {"13", "", 3, true, false},
    {"14", "", 4, true, false},          {"18", "障害", 3, true, true},       {"19", "障害", 4, true, true},
    {"21", "アラブ系", 2, false, false}, {"22", "アラブ系", 3, false, false}, {"23", "アラブ系", 3, true, false},
    {"24", "アラブ系", 4, true, false},
};

// Ages were counted from one until the end of 2000; the codes give today's count.
constexpr int kLastYearOfOldAges = 2000;
// The classes of 5, 10 and 16 million yen took their names by wins from the summer meetings of 2019.
constexpr int kWinClassesFrom = 20190601;

/** A number in full-width digits, as the names of records write them. */
std::string FullWidthDigits(int value)
{
    std::string digits;
    for (const char c : std::to_string(value)) {
        digits += '\x82';
        digits += static_cast<char>(0x4F + (c - '0'));
    }
    return digits;
}

/** The class of a condition code on a meeting date (yyyymmdd), or the empty text. */
std::string ClassName(int condition, int meetingDate)
{
    switch (condition) {
    case 701:
        return Sj("新馬");
    case 702:
        return Sj("未出走");
    case 703:
        return Sj("未勝利");
    case 999:
        return Sj("オープン");
    case 100:
        return Sj("１億下");
    default:
        break;
    }
    if (meetingDate >= kWinClassesFrom && (condition == 5 || condition == 10 || condition == 16))
        return FullWidthDigits(condition == 5 ? 1 : condition == 10 ? 2 : 3) + Sj("勝クラス");
    if (condition >= 1 && condition <= 99)
        return FullWidthDigits(condition * 100) + Sj("万下");
    return {};
}

/** The parts of an ordinary race's title; both empty when the codes give none. */
struct TitleParts
{
    std::string age;       ///< "障害３歳以上"
    std::string className; ///< "未勝利"
    bool jump = false;

    bool empty() const { return className.empty(); }
};

TitleParts TitlePartsOf(std::string_view record)
{
    const std::string_view code = Field(record, ra::RaceType);
    for (const RaceTypeTitle &type : kRaceTypes) {
        if (code != type.code)
            continue;
        const FieldPos conditions[] = {ra::Condition2, ra::Condition3, ra::Condition4};
        const int meetingDate = FieldValue(Field(record, ra::MeetingDate));
        TitleParts parts;
        parts.className = ClassName(FieldValue(Field(record, conditions[type.youngestAge - 2])), meetingDate);
        if (parts.className.empty())
            return {};
        const int age = type.youngestAge + (FieldValue(Field(record, ra::Year)) <= kLastYearOfOldAges ? 1 : 0);
        parts.age = Sj(type.breed) + FullWidthDigits(age) + Sj("歳") + (type.andOlder ? Sj("以上") : std::string());
        parts.jump = type.jump;
        return parts;
    }
    return {};
}

bool IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

/** The stored text field, or the title fitted to it where the field and the race's name are blank. */
std::string ShownName(std::string_view record, FieldPos field, bool shortName)
{
    const std::string_view stored = Field(record, field);
    if (!IsBlankText(stored) || !IsBlankText(Field(record, ra::RaceName)))
        return std::string(stored);
    const TitleParts parts = TitlePartsOf(record);
    if (parts.empty())
        return std::string(stored);
    const auto width = static_cast<size_t>(field.len);
    std::string title = parts.age + parts.className;
    if (shortName && title.size() > width)
        title = (parts.jump ? Sj("障害") : std::string()) + parts.className;
    return FitToField(title, width);
}

} // namespace

std::string OrdinaryRaceTitle(std::string_view raceRecord)
{
    const TitleParts parts = TitlePartsOf(raceRecord);
    return parts.age + parts.className;
}

bool IsBlankText(std::string_view field)
{
    for (size_t i = 0; i < field.size();) {
        if (field[i] == ' ') {
            ++i;
        } else if (field.substr(i, 2) == "\x81\x40") {
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

std::string FitToField(std::string_view text, size_t width)
{
    std::string fitted;
    for (size_t i = 0; i < text.size();) {
        const size_t size = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (fitted.size() + size > width)
            break;
        fitted.append(text.substr(i, size));
        i += size;
    }
    while (fitted.size() + 2 <= width)
        fitted += "\x81\x40";
    if (fitted.size() < width)
        fitted += ' ';
    return fitted;
}

std::string RaceNameOf(std::string_view raceRecord)
{
    return ShownName(raceRecord, ra::RaceName, false);
}

std::string RaceShortNameOf(std::string_view raceRecord)
{
    return ShownName(raceRecord, ra::ShortName6, true);
}

} // namespace velmora
