#include "core/report/racetexts.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/codes/racetitle.h"
#include "core/store/racedayfiles.h"
#include "core/text/sjis.h"

namespace velmora {
namespace {

enum class AgeGroup
{
    Two,
    Three,
    Four,
    FiveAndUp
};

/** The text of one age-condition code; every non-empty text is 11 bytes wide. */
std::string AgeConditionText(std::string_view code, AgeGroup group)
{
    static const char *const prefixes[] = {"   ", "3歳", "4歳", "5歳"};
    static const char *const hundredMillion[] = {"1億下      ", "3歳1億下   ", "4歳1億下   ", "5歳1億下   "};
    const auto index = static_cast<size_t>(group);
    const int value = FieldValue(code);
    if (value >= 1 && value <= 99)
        return Sj(prefixes[index]) + Format("%4d", value * 100) + Sj("万下");
    switch (value) {
    case 100:
        return Sj(hundredMillion[index]);
    case 701:
        return Sj("新馬       ");
    case 702:
        return Sj("未出走     ");
    case 703:
        return Sj("未勝利     ");
    case 999:
        return Sj("オープン   ");
    default:
        return {};
    }
}

/** "nn回nn日": the meeting number and the day of the meeting, as they stand. */
std::string MeetingText(std::string_view record)
{
    return std::string(Field(record, ra::Meeting)) + Sj("回") + std::string(Field(record, ra::MeetingDay)) + Sj("日");
}

std::string DateLineWith(std::string_view record, const std::string &weekday)
{
    std::string line;
    line += Field(record, ra::Year);
    line += Sj("年");
    line += Field(record, ra::Month);
    line += Sj("月");
    line += Field(record, ra::Day);
    line += Sj("日(");
    line += weekday;
    line += ")";
    line += CourseName(Field(record, ra::Course), 2);
    line += MeetingText(record);
    return line;
}

std::string HeadingWith(std::string_view record, const char *afterR)
{
    return " " + FormatNumberField(Field(record, ra::RaceNumber)) + afterR + RaceNameOf(record);
}

} // namespace

std::string DateLine(std::string_view raceRecord)
{
    return DateLineWith(raceRecord, WeekdayName(Field(raceRecord, ra::Weekday), 1));
}

std::string LoaderDateLine(std::string_view raceRecord)
{
    const std::string_view code = Field(raceRecord, ra::Weekday);
    const int value = FieldValue(code);
    return DateLineWith(raceRecord, value >= 1 && value <= 8 ? WeekdayName(code, 1) : std::string());
}

std::string MeetingDayTitle(std::string_view raceRecord)
{
    return RaceDayFileName(raceRecord, "") + MeetingText(raceRecord);
}

std::string HeadingLine(std::string_view raceRecord)
{
    return HeadingWith(raceRecord, " R   ");
}

std::string LoaderHeadingLine(std::string_view raceRecord)
{
    return HeadingWith(raceRecord, " R ");
}

std::string ConditionText(std::string_view raceRecord)
{
    const std::string_view code3 = Field(raceRecord, ra::Condition3);
    const std::string_view code4 = Field(raceRecord, ra::Condition4);
    auto text = [&](FieldPos field, AgeGroup group) { return AgeConditionText(Field(raceRecord, field), group); };
    auto limited = [](std::string_view code) {
        const int value = FieldValue(code);
        return value >= 1 && value <= 100;
    };
    switch (FieldValue(Field(raceRecord, ra::RaceType))) {
    case 11:
    case 21:
        return text(ra::Condition2, AgeGroup::Two);
    case 12:
    case 22:
        return text(ra::Condition3, AgeGroup::Three);
    case 13:
    case 18:
    case 23:
        if (limited(code3))
            return text(ra::Condition3, AgeGroup::Three) + "  " + text(ra::Condition4, AgeGroup::Four) + "  " +
                   text(ra::Condition5, AgeGroup::FiveAndUp);
        return text(ra::Condition3, AgeGroup::Three);
    case 14:
    case 19:
    case 24:
        if (limited(code4))
            return text(ra::Condition4, AgeGroup::Four) + "  " + text(ra::Condition5, AgeGroup::FiveAndUp);
        return text(ra::Condition4, AgeGroup::Four);
    default:
        return {};
    }
}

std::string ConditionLine(std::string_view raceRecord)
{
    return RaceTypeName(Field(raceRecord, ra::RaceType), 8) + " " + ConditionText(raceRecord) + " " +
           TrackName(Field(raceRecord, ra::Track)) + std::string(Field(raceRecord, ra::Distance)) + Sj("ﾒｰﾄﾙ") + "(" +
           WeightRuleName(Field(raceRecord, ra::WeightRule)) + ") ";
}

} // namespace velmora
