#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/codes/racetitle.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"
#include "support/testfiles.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace velmora::gen {
namespace {

int Number(const std::string &record, FieldPos field)
{
    return FieldValue(Field(record, field));
}

/** A full-width text field decoded, its full- and half-width padding removed; "" when not valid CP932. */
QString Text(const std::string &record, FieldPos field)
{
    bool ok = false;
    QString text = FromSjis(Field(record, field), &ok);
    if (!ok)
        return {};
    while (!text.isEmpty() && (text.back() == QChar(0x3000) || text.back() == QLatin1Char(' ')))
        text.chop(1);
    return text;
}

CourseDay Day(std::uint64_t seed, QDate date, const char *course = "05", int races = 12, bool results = true)
{
    CourseDayOptions options;
    options.date = date;
    options.course = course;
    options.races = races;
    options.withResults = results;
    return Generator(seed).courseDay(options);
}

/** Line `index` (0-based) of a file of fixed-width lines, CR LF included. */
std::string Line(const std::string &file, int width, int index)
{
    return file.substr(static_cast<size_t>(index) * static_cast<size_t>(width + 2), static_cast<size_t>(width + 2));
}

// ---------------------------------------------------------------------------

TEST(RecordBuilder, NewRecordsAreBlanksWithTypeAndLineEnd)
{
    const struct
    {
        RecordBuilder record;
        const char *type;
        size_t length;
    } cases[] = {
        {RecordBuilder::Race(), "RA", 1272},
        {RecordBuilder::Runner(), "SE", 555},
        {RecordBuilder::Payout(), "HR", 719},
    };
    for (const auto &c : cases) {
        const std::string &bytes = c.record.bytes();
        ASSERT_EQ(bytes.size(), c.length) << c.type;
        EXPECT_EQ(bytes.substr(0, 2), c.type);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
        EXPECT_EQ(bytes.substr(2, bytes.size() - 4), std::string(c.length - 4, ' '));
    }
}

TEST(RecordBuilder, FieldsAreCutPaddedAndKeepOffTheLineEnd)
{
    RecordBuilder record = RecordBuilder::Race();
    record.set(ra::Track, "123").set(ra::RaceType, "1").setNumber(ra::Distance, 1200).setNumber(ra::Registered, 7);
    EXPECT_EQ(Field(record.bytes(), ra::Track), "12");
    EXPECT_EQ(Field(record.bytes(), ra::RaceType), "1 ");
    EXPECT_EQ(Field(record.bytes(), ra::Distance), "1200");
    EXPECT_EQ(Field(record.bytes(), ra::Registered), "07");
    // Numbers that do not fit are held at the field's largest value, negative ones at zero.
    record.setNumber(ra::Registered, 123).setNumber(ra::WeightRule, -4);
    EXPECT_EQ(Field(record.bytes(), ra::Registered), "99");
    EXPECT_EQ(Field(record.bytes(), ra::WeightRule), "0");
    // A field running past the record's end stops before its CR LF.
    record.set({1269, 10}, "ABCDEFGHIJ");
    EXPECT_EQ(record.bytes().substr(1268), "AB\r\n");
    EXPECT_EQ(record.bytes().size(), 1272u);
}

TEST(RecordBuilder, TextIsCp932PaddedWithFullWidthBlanks)
{
    ASSERT_TRUE(Cp932Available());
    RecordBuilder record = RecordBuilder::Race();
    record.setText(ra::RaceName, "２歳新馬");
    std::string expected = Utf8ToSjis("２歳新馬");
    for (int i = 0; i < 26; ++i)
        expected += Utf8ToSjis("　");
    EXPECT_EQ(Field(record.bytes(), ra::RaceName), expected);

    // An odd byte count ends in one half-width blank.
    record.setText(ra::RaceName, "ｱ髙～①Ⅱ");
    const std::string_view name = Field(record.bytes(), ra::RaceName);
    EXPECT_EQ(name.substr(0, 9), std::string("\xB1\xFB\xFC\x81\x60\x87\x40\x87\x55"));
    EXPECT_EQ(name.substr(9, 2), "\x81\x40");
    EXPECT_EQ(name.back(), ' ');
    EXPECT_EQ(Text(record.bytes(), ra::RaceName), QString::fromUtf8("ｱ髙～①Ⅱ"));

    // Too long a text is cut between characters, never inside one.
    RecordBuilder runner = RecordBuilder::Runner();
    runner.setText({41, 5}, "ヴィクトリー");
    EXPECT_EQ(Field(runner.bytes(), {41, 5}), Utf8ToSjis("ヴィ") + " ");
    EXPECT_EQ(runner.bytes()[45], ' ') << "the next field is untouched";
}

TEST(RecordBuilder, KeyFields)
{
    const std::string record =
        RecordBuilder::Runner().setKey('7', QDate(2026, 11, 30), QDate(2026, 11, 28), "05", 5, 7, 3).bytes();
    EXPECT_EQ(record.substr(0, 27), "SE72026113020261128050507"
                                    "03");
    EXPECT_EQ(Field(record, common::RaceKey), "2026112805050703");
    EXPECT_EQ(record[27], ' ');
}

TEST(JraBracket, EveryFieldSize)
{
    // Horse h of a field of n is in bracket expected[n - 1][h - 1].
    const char *const expected[18] = {"1",
                                      "12",
                                      "123",
                                      "1234",
                                      "12345",
                                      "123456",
                                      "1234567",
                                      "12345678",
                                      "123456788",
                                      "1234567788",
                                      "12345667788",
                                      "123455667788",
                                      "1234455667788",
                                      "12334455667788",
                                      "122334455667788",
                                      "1122334455667788",
                                      "11223344556677888",
                                      "112233445566777888"};
    for (int n = 1; n <= 18; ++n) {
        std::string brackets;
        for (int h = 1; h <= n; ++h)
            brackets += static_cast<char>('0' + JraBracket(h, n));
        EXPECT_EQ(brackets, expected[n - 1]) << n << " runners";
    }
    EXPECT_EQ(JraBracket(0, 10), 0);
    EXPECT_EQ(JraBracket(11, 10), 0);
    EXPECT_EQ(JraBracket(1, 0), 0);
}

// ---------------------------------------------------------------------------

TEST(Generator, RecordsDescribeTheCard)
{
    ASSERT_TRUE(Cp932Available());
    // Autumn and spring cards (2- and 3-year-olds are the young ones), before and after 2019.
    for (const QDate date : {QDate(2026, 11, 28), QDate(2026, 4, 12), QDate(2018, 2, 3)}) {
        SCOPED_TRACE(date.toString(Qt::ISODate).toStdString());
        const CourseDay day = Day(11, date, "06");
        ASSERT_EQ(day.races.size(), 12u);
        ASSERT_EQ(day.raceRecords.size(), 12u);
        EXPECT_EQ(day.weekdayCode, date.dayOfWeek() == 6 ? 1 : 2);

        size_t runnerIndex = 0;
        for (size_t r = 0; r < day.races.size(); ++r) {
            const RaceSpec &race = day.races[r];
            const std::string &record = day.raceRecords[r];
            ASSERT_EQ(record.size(), 1272u);
            EXPECT_EQ(record.substr(0, 3), "RA7");
            EXPECT_EQ(QDate::fromString(QString::fromStdString(record.substr(3, 8)), QStringLiteral("yyyyMMdd")),
                      date.addDays(8 - date.dayOfWeek()))
                << "results are made on the Monday after";
            EXPECT_EQ(record.substr(1270), "\r\n");
            EXPECT_EQ(Field(record, common::MeetingDate), date.toString(QStringLiteral("yyyyMMdd")).toStdString());
            EXPECT_EQ(Field(record, common::Course), "06");
            EXPECT_EQ(Number(record, common::Meeting), day.meeting);
            EXPECT_EQ(Number(record, common::MeetingDay), day.meetingDay);
            EXPECT_EQ(Number(record, common::RaceNumber), static_cast<int>(r) + 1);
            EXPECT_EQ(Number(record, ra::Weekday), day.weekdayCode);
            EXPECT_EQ(Text(record, ra::RaceName), QString::fromStdString(race.name));
            EXPECT_EQ(Field(record, ra::RaceType), race.raceType);
            EXPECT_EQ(Field(record, ra::Track), race.track);
            EXPECT_EQ(Number(record, ra::Distance), race.distance);
            EXPECT_EQ(Number(record, ra::Registered), race.registered);
            EXPECT_EQ(Number(record, ra::WeightRule), race.weightRule);

            // The conditions fit the race type: only the age groups that run are set.
            const int c2 = Number(record, ra::Condition2), c3 = Number(record, ra::Condition3),
                      c4 = Number(record, ra::Condition4), c5 = Number(record, ra::Condition5);
            EXPECT_EQ(c2, race.conditions[0]);
            EXPECT_EQ(c5, race.conditions[3]);
            const int type = Number(record, ra::RaceType);
            const int track = Number(record, ra::Track);
            const bool spring = date.month() < 6;
            const std::set<int> types = spring ? std::set<int>{12, 14, 19} : std::set<int>{11, 13, 18};
            EXPECT_TRUE(types.contains(type)) << type;
            if (type == 11) {
                EXPECT_TRUE(c2 > 0 && c3 == 0 && c4 == 0 && c5 == 0);
            } else if (type == 12) {
                EXPECT_TRUE(c2 == 0 && c3 > 0 && c4 == 0 && c5 == 0);
            } else if (type == 13 || type == 18) {
                EXPECT_TRUE(c2 == 0 && c3 > 0 && c3 == c4 && c4 == c5);
            } else {
                EXPECT_TRUE(c2 == 0 && c3 == 0 && c4 > 0 && c4 == c5);
            }
            const std::set<int> known = {5, 10, 16, 701, 703, 999};
            EXPECT_TRUE(known.contains(std::max({c2, c3, c4, c5})));
            if (type == 18 || type == 19) {
                EXPECT_TRUE(race.distance >= 2750 && race.distance <= 4250) << race.distance;
                EXPECT_TRUE(track >= 51 && track <= 59) << track;
            } else {
                EXPECT_TRUE(race.distance >= 1000 && race.distance <= 3600) << race.distance;
                EXPECT_TRUE(track >= 10 && track <= 24) << track;
            }
            // Ordinary races are unnamed, as JV-Data leaves them; race cards call them by type and class.
            const QString title = QString::fromStdString(SjisToUtf8(OrdinaryRaceTitle(record)));
            EXPECT_FALSE(title.isEmpty());
            EXPECT_FALSE(title.contains(QString::fromUtf8(date.year() >= 2019 ? "万下" : "勝クラス")));
            if (race.grade == ' ') {
                EXPECT_TRUE(race.name.empty());
                EXPECT_TRUE(IsBlankText(Field(record, {33, 180}))) << "name, subtitle and bracketed name";
                EXPECT_TRUE(IsBlankText(Field(record, {573, 38}))) << "the short names";
                EXPECT_EQ(Field(record, ra::Grade), " ");
            } else {
                EXPECT_EQ(Text(record, ra::RaceName), QString::fromStdString(race.name));
                EXPECT_EQ(Text(record, ra::ShortName6), QString::fromStdString(race.shortName6).left(6));
                EXPECT_EQ(Text(record, ra::ShortName3), QString::fromStdString(race.shortName3).left(3));
                EXPECT_FALSE(Text(record, ra::ShortName10).isEmpty());
                EXPECT_NE(std::string_view("ELCBA").find(race.grade), std::string_view::npos) << race.grade;
                EXPECT_EQ(Field(record, ra::Grade), std::string(1, race.grade));
            }
            EXPECT_EQ(Number(record, ra::ConditionYoungest), std::max({c2, c3, c4}));

            // Its runners follow, in horse order.
            const int n = race.registered;
            EXPECT_TRUE(n >= 5 && n <= 18) << n;
            ASSERT_EQ(race.runners.size(), static_cast<size_t>(n));
            std::set<int> popularity;
            int winners = 0;
            for (int h = 1; h <= n; ++h) {
                SCOPED_TRACE(h);
                ASSERT_LT(runnerIndex, day.runnerRecords.size());
                const std::string &runner = day.runnerRecords[runnerIndex++];
                const RunnerSpec &spec = race.runners[static_cast<size_t>(h - 1)];
                ASSERT_EQ(runner.size(), 555u);
                EXPECT_EQ(runner.substr(0, 3), "SE7");
                EXPECT_EQ(runner.substr(553), "\r\n");
                EXPECT_EQ(Field(runner, common::RaceKey), Field(record, common::RaceKey));
                EXPECT_EQ(Number(runner, se::HorseNumber), h);
                EXPECT_EQ(Number(runner, se::Bracket), JraBracket(h, n));
                const std::string_view pedigree = Field(runner, {31, 10});
                EXPECT_TRUE(std::all_of(pedigree.begin(), pedigree.end(), [](char c) { return c >= '0' && c <= '9'; }))
                    << pedigree;
                const QString horse = Text(runner, se::HorseName);
                EXPECT_EQ(horse, QString::fromStdString(spec.name));
                EXPECT_TRUE(horse.size() >= 2 && horse.size() <= 9) << horse.toStdString();
                for (QChar c : horse)
                    EXPECT_TRUE(c.unicode() >= 0x30A1 && c.unicode() <= 0x30FC) << horse.toStdString();
                const int sex = Number(runner, se::Sex), age = Number(runner, se::Age);
                EXPECT_TRUE(sex >= 1 && sex <= 3);
                EXPECT_TRUE(age >= 2 && age <= 9);
                const int weight = Number(runner, se::Weight);
                EXPECT_TRUE(weight >= 480 && weight <= 640) << weight;
                const int finish = Number(runner, se::Finish);
                EXPECT_TRUE(finish >= 1 && finish <= n);
                winners += finish == 1;
                popularity.insert(Number(runner, se::Popularity));
            }
            EXPECT_EQ(winners, 1);
            EXPECT_EQ(popularity.size(), static_cast<size_t>(n));
            EXPECT_EQ(*popularity.begin(), 1);
            EXPECT_EQ(*popularity.rbegin(), n);
        }
        EXPECT_EQ(runnerIndex, day.runnerRecords.size());
    }
}

TEST(Generator, CardHasARealisticMix)
{
    int jumpRaces = 0, days = 0, bigFields = 0, races = 0;
    for (std::uint64_t seed = 1; seed <= 30; ++seed) {
        const CourseDay day = Day(seed, QDate(2026, 11, 28));
        ++days;
        int jumps = 0;
        for (const RaceSpec &race : day.races) {
            jumps += race.raceType == "18";
            bigFields += race.registered >= 10;
            ++races;
        }
        EXPECT_LE(jumps, 1);
        jumpRaces += jumps;
        EXPECT_EQ(day.races.front().raceType, "11") << "young horses open the day";
        EXPECT_EQ(day.races[10].conditions[3], 999) << "race 11 is the open race";
        EXPECT_FALSE(QString::fromStdString(day.races[10].name).startsWith(QString::fromUtf8("３歳以上")));
    }
    EXPECT_GT(jumpRaces, 0);
    EXPECT_LT(jumpRaces, days);
    EXPECT_GT(bigFields * 10, races * 7) << "most fields hold 10 or more";

    // A short card keeps young horses first and the open race last.
    const CourseDay shortDay = Day(5, QDate(2026, 11, 28), "05", 6);
    ASSERT_EQ(shortDay.races.size(), 6u);
    EXPECT_EQ(shortDay.races.front().raceType, "11");
    EXPECT_EQ(shortDay.races.back().race, 6);
}

TEST(Generator, RaceNamesCarryCp932SpecificCharacters)
{
    ASSERT_TRUE(Cp932Available());
    const QString tricky = QString::fromUtf8("～Ⅱ①髙");
    bool found = false;
    for (std::uint64_t seed = 1; seed <= 40 && !found; ++seed) {
        const CourseDay day = Day(seed, QDate(2026, 11, 28));
        for (const std::string &record : day.raceRecords) {
            const QString name = Text(record, ra::RaceName);
            if (IsBlankText(Field(record, ra::RaceName)))
                continue;
            ASSERT_FALSE(name.isEmpty()) << "every race name is valid CP932";
            ASSERT_FALSE(name.contains(QLatin1Char('?')));
            if (std::any_of(tricky.begin(), tricky.end(), [&](QChar c) { return name.contains(c); }))
                found = true;
        }
    }
    EXPECT_TRUE(found);
}

TEST(Generator, SameSeedSameBytes)
{
    const CourseDay a = Day(42, QDate(2026, 11, 28));
    const CourseDay b = Day(42, QDate(2026, 11, 28));
    EXPECT_EQ(a.raceRecords, b.raceRecords);
    EXPECT_EQ(a.runnerRecords, b.runnerRecords);
    EXPECT_EQ(a.payoutRecords, b.payoutRecords);
    EXPECT_NE(Day(43, QDate(2026, 11, 28)).runnerRecords, a.runnerRecords);

    auto weekend = [](std::uint64_t seed) {
        std::vector<std::string> all;
        for (const CourseDay &day : Generator(seed).weekend(QDate(2026, 11, 28))) {
            all.insert(all.end(), day.raceRecords.begin(), day.raceRecords.end());
            all.insert(all.end(), day.runnerRecords.begin(), day.runnerRecords.end());
            all.insert(all.end(), day.payoutRecords.begin(), day.payoutRecords.end());
        }
        return all;
    };
    EXPECT_EQ(weekend(9), weekend(9));
}

TEST(Generator, WeekendOfTwoOrThreeCoursesADay)
{
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
        // Any day of the week names its Saturday and Sunday.
        const auto days = Generator(seed).weekend(QDate(2026, 11, 26));
        ASSERT_TRUE(days.size() == 4 || days.size() == 6) << days.size();
        std::map<QDate, std::set<std::string>> courses;
        for (const CourseDay &day : days) {
            EXPECT_TRUE(day.date == QDate(2026, 11, 28) || day.date == QDate(2026, 11, 29));
            EXPECT_EQ(day.weekdayCode, day.date.dayOfWeek() == 6 ? 1 : 2);
            const int code = std::stoi(day.course);
            EXPECT_TRUE(day.course.size() == 2 && code >= 1 && code <= 10) << day.course;
            EXPECT_TRUE(courses[day.date].insert(day.course).second) << "one course-day per course and date";
            EXPECT_TRUE(day.withResults);
            EXPECT_EQ(day.races.size(), 12u);
            EXPECT_EQ(day.payoutRecords.size(), 12u);
        }
        ASSERT_EQ(courses.size(), 2u);
        EXPECT_EQ(courses.begin()->second.size(), days.size() / 2);
    }
    const auto days = Generator(1).weekend(QDate(2026, 11, 28));
    EXPECT_EQ(days.front().meeting, days.back().meeting) << "a weekend lies within one meeting";
    EXPECT_EQ(days.back().meetingDay, days.front().meetingDay + 1);
}

// ---------------------------------------------------------------------------
// Payouts

struct Entry
{
    std::string combination;
    int yen;
    int popularity;
};

/** Entries of a payout table; unused entries hold zeros through their whole width, as in JV-Data. */
std::vector<Entry> Entries(const std::string &record, int first, int step, int count, int combination)
{
    std::vector<Entry> entries;
    for (int i = 0; i < count; ++i) {
        const std::string_view entry = Field(record, {first + step * i, step});
        if (entry == std::string(static_cast<size_t>(step), '0'))
            continue;
        EXPECT_EQ(entry.find(' '), std::string_view::npos) << "entry " << i + 1 << ": " << entry;
        EXPECT_EQ(entries.size(), static_cast<size_t>(i)) << "entries come first, blanks after";
        entries.push_back({std::string(entry.substr(0, static_cast<size_t>(combination))),
                           FieldValue(entry.substr(static_cast<size_t>(combination), 9)),
                           FieldValue(entry.substr(static_cast<size_t>(combination) + 9))});
    }
    return entries;
}

std::set<std::string> Combinations(const std::vector<Entry> &entries)
{
    std::set<std::string> out;
    for (const Entry &entry : entries) {
        EXPECT_GT(entry.yen, 0) << entry.combination;
        EXPECT_EQ(entry.yen % 10, 0) << entry.combination;
        EXPECT_GT(entry.popularity, 0) << entry.combination;
        out.insert(entry.combination);
    }
    EXPECT_EQ(out.size(), entries.size()) << "no combination twice";
    return out;
}

std::string Two(int a, int b)
{
    return Format("%02d%02d", a, b);
}

TEST(Generator, PayoutsFollowTheFinishingOrder)
{
    int deadHeatsForSecond = 0, deadHeatsForThird = 0;
    std::vector<int> quinellaYen;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        const CourseDay day = Day(seed, QDate(2026, 11, 28), "09");
        ASSERT_EQ(day.payoutRecords.size(), day.raceRecords.size());
        size_t runnerIndex = 0;
        for (size_t r = 0; r < day.raceRecords.size(); ++r) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " race " << r + 1);
            const std::string &race = day.raceRecords[r];
            const std::string &payout = day.payoutRecords[r];
            ASSERT_EQ(payout.size(), 719u);
            EXPECT_EQ(payout.substr(0, 3), "HR2");
            EXPECT_EQ(payout.substr(717), "\r\n");
            EXPECT_EQ(Field(payout, common::RaceKey), Field(race, common::RaceKey));
            const int n = Number(race, ra::Registered);
            EXPECT_EQ(Number(payout, {28, 2}), n);
            EXPECT_EQ(Number(payout, {30, 2}), n);

            // The finishing order as the runner records tell it.
            std::map<int, std::vector<int>> byFinish; // finish -> horses
            std::map<int, int> bracket, popularity;
            for (int h = 1; h <= n; ++h) {
                const std::string &runner = day.runnerRecords[runnerIndex++];
                byFinish[Number(runner, se::Finish)].push_back(Number(runner, se::HorseNumber));
                bracket[h] = Number(runner, se::Bracket);
                popularity[h] = Number(runner, se::Popularity);
            }
            ASSERT_EQ(byFinish[1].size(), 1u);
            const int winner = byFinish[1][0];
            const std::vector<int> second = byFinish[2];
            const std::vector<int> third = byFinish[3];
            ASSERT_FALSE(second.empty());
            deadHeatsForSecond += second.size() == 2;
            deadHeatsForThird += third.size() == 2;
            std::vector<int> top = {winner};
            top.insert(top.end(), second.begin(), second.end());
            top.insert(top.end(), third.begin(), third.end());
            ASSERT_TRUE(top.size() == 3 || top.size() == 4) << "one dead heat at most";

            std::set<std::string> win, quinella, brackets, wide, exacta, trio, trifecta;
            win.insert(Format("%02d", winner));
            for (int s : second) {
                quinella.insert(Two(std::min(winner, s), std::max(winner, s)));
                exacta.insert(Two(winner, s));
                brackets.insert(
                    Format("%d%d", std::min(bracket[winner], bracket[s]), std::max(bracket[winner], bracket[s])));
            }
            // Pairs and triples of the first three; two horses tied for third are not both in it.
            auto isThird = [&](int h) { return std::count(third.begin(), third.end(), h) > 0; };
            auto bothThird = [&](int a, int b) { return isThird(a) && isThird(b); };
            for (size_t i = 0; i < top.size(); ++i) {
                for (size_t j = i + 1; j < top.size(); ++j) {
                    if (!bothThird(top[i], top[j]))
                        wide.insert(Two(std::min(top[i], top[j]), std::max(top[i], top[j])));
                }
            }
            for (int s : second) {
                for (int t : second.size() == 2 ? second : third) {
                    if (t == s)
                        continue;
                    trifecta.insert(Format("%02d%02d%02d", winner, s, t));
                    std::vector<int> sorted = {winner, s, t};
                    std::sort(sorted.begin(), sorted.end());
                    trio.insert(Format("%02d%02d%02d", sorted[0], sorted[1], sorted[2]));
                }
            }

            const auto winEntries = Entries(payout, 103, 13, 3, 2);
            EXPECT_EQ(Combinations(winEntries), win);
            ASSERT_FALSE(winEntries.empty());
            EXPECT_EQ(winEntries[0].popularity, popularity[winner]);
            const auto placeEntries = Entries(payout, 142, 13, 5, 2);
            std::set<std::string> placed;
            for (int h : top) {
                if (n >= 8 || h == winner || std::count(second.begin(), second.end(), h))
                    placed.insert(Format("%02d", h));
            }
            EXPECT_EQ(Combinations(placeEntries), placed);
            const auto quinellaEntries = Entries(payout, 246, 16, 3, 4);
            EXPECT_EQ(Combinations(quinellaEntries), quinella);
            for (const Entry &entry : quinellaEntries)
                quinellaYen.push_back(entry.yen);
            if (n <= 8) {
                EXPECT_EQ(Field(payout, {207, 39}), std::string(39, '0')) << "no bracket quinella sold";
            } else {
                EXPECT_EQ(Combinations(Entries(payout, 207, 13, 3, 2)), brackets);
            }
            EXPECT_EQ(Combinations(Entries(payout, 294, 16, 7, 4)), wide);
            EXPECT_EQ(Field(payout, {406, 48}), std::string(48, '0')) << "the spare table stays unused";
            EXPECT_EQ(Field(payout, {32, 71}), std::string(71, '0')) << "no flags, no refunds";
            EXPECT_EQ(Combinations(Entries(payout, 454, 16, 6, 4)), exacta);
            EXPECT_EQ(Combinations(Entries(payout, 550, 18, 3, 6)), trio);
            EXPECT_EQ(Combinations(Entries(payout, 604, 19, 6, 6)), trifecta);
        }
    }
    // Dead heats are rare, but they happen: two quinella entries, five wide ones.
    EXPECT_GT(deadHeatsForSecond, 0);
    EXPECT_GT(deadHeatsForThird, 0);
    EXPECT_LT(deadHeatsForSecond + deadHeatsForThird, 40 * 12 / 8);

    std::sort(quinellaYen.begin(), quinellaYen.end());
    EXPECT_GE(quinellaYen.front(), 110);
    const int median = quinellaYen[quinellaYen.size() / 2];
    EXPECT_TRUE(median >= 500 && median <= 30000) << median;
}

TEST(Generator, BracketQuinellaOnSmallFieldsOnlyBefore2005)
{
    int smallFields2026 = 0, smallFields2003 = 0;
    for (std::uint64_t seed = 1; seed <= 30; ++seed) {
        for (const QDate date : {QDate(2026, 11, 28), QDate(2003, 11, 29)}) {
            const CourseDay day = Day(seed, date);
            for (size_t r = 0; r < day.raceRecords.size(); ++r) {
                const int n = Number(day.raceRecords[r], ra::Registered);
                const std::string_view first =
                    Field(day.payoutRecords[r], hr::EntryCombination(hr::BracketQuinella, 1));
                if (n <= 8 && date.year() >= 2005) {
                    ++smallFields2026;
                    EXPECT_EQ(Field(day.payoutRecords[r], {207, 39}), std::string(39, '0'));
                } else {
                    smallFields2003 += n <= 8;
                    EXPECT_NE(TrimBlanks(first), "") << date.year() << " race " << r + 1 << ", " << n << " runners";
                }
            }
        }
    }
    EXPECT_GT(smallFields2026, 0);
    EXPECT_GT(smallFields2003, 0);
}

// ---------------------------------------------------------------------------
// Files

TEST(CourseDayFiles, NamesAndLinesAsAnImportLeavesThem)
{
    ASSERT_TRUE(Cp932Available());
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString data = folder.filePath(QStringLiteral("Data"));
    const CourseDay day = Day(21, QDate(2026, 11, 28), "05");
    EXPECT_EQ(day.name(), Utf8ToSjis("2026年11月28日東京"));
    EXPECT_EQ(day.nameUtf8(), "2026年11月28日東京");
    ASSERT_TRUE(WriteCourseDayFiles(day, data)); // the folder is made

    const QString base = QDir(data).filePath(QString::fromUtf8("2026年11月28日東京"));
    const std::string races = test::ReadFileBytes(base + QStringLiteral(".jvRA"));
    const std::string runners = test::ReadFileBytes(base + QStringLiteral(".jvSEr"));
    const std::string payouts = test::ReadFileBytes(base + QStringLiteral(".jvHR"));
    ASSERT_EQ(races.size(), 12u * 1272);
    ASSERT_EQ(runners.size(), 216u * 555);
    ASSERT_EQ(payouts.size(), 12u * 719);
    EXPECT_EQ(QDir(data).entryList(QDir::Files).size(), 3);

    for (int r = 1; r <= 12; ++r) {
        EXPECT_EQ(Line(races, 1270, r - 1), day.raceRecords[static_cast<size_t>(r - 1)]);
        EXPECT_EQ(Line(payouts, 717, r - 1), day.payoutRecords[static_cast<size_t>(r - 1)]);
    }
    // Runner slot (race - 1) x 18 + horse - 1; the slots past a race's field stay blank.
    size_t index = 0;
    for (const RaceSpec &race : day.races) {
        for (int h = 1; h <= 18; ++h) {
            const std::string line = Line(runners, 553, (race.race - 1) * 18 + h - 1);
            ASSERT_EQ(line.substr(553), "\r\n");
            if (h <= race.registered) {
                EXPECT_EQ(line, day.runnerRecords[index++]);
            } else {
                EXPECT_EQ(line.substr(0, 553), std::string(553, ' ')) << race.race << "/" << h;
            }
        }
    }
    const std::string horse5race3 = Line(runners, 553, 40);
    EXPECT_EQ(Number(horse5race3, common::RaceNumber), 3);
    EXPECT_EQ(Number(horse5race3, se::HorseNumber), 5);
}

TEST(CourseDayFiles, ShortCardBeforeTheRaces)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString data = folder.path();
    const QString base = QDir(data).filePath(QString::fromUtf8("2026年11月29日京都"));

    // A payout file of an earlier card of the same day goes with that card.
    ASSERT_TRUE(WriteCourseDayFiles(Day(1, QDate(2026, 11, 29), "08"), data));
    ASSERT_TRUE(QFile::exists(base + QStringLiteral(".jvHR")));

    // A card before the races: data kind 2, no finishing positions, no popularity, no payouts.
    const CourseDay day = Day(2, QDate(2026, 11, 29), "08", 10, false);
    EXPECT_TRUE(day.payoutRecords.empty());
    for (const std::string &record : day.raceRecords) {
        EXPECT_EQ(Field(record, common::DataKind), "2");
        EXPECT_EQ(Field(record, common::Created), "20261128") << "made the day before";
    }
    for (const std::string &runner : day.runnerRecords) {
        EXPECT_EQ(Field(runner, common::DataKind), "2");
        EXPECT_EQ(Field(runner, se::Finish), "00");
        EXPECT_EQ(Field(runner, se::Popularity), "00");
    }
    ASSERT_TRUE(WriteCourseDayFiles(day, data));
    EXPECT_FALSE(QFile::exists(base + QStringLiteral(".jvHR")));
    const std::string races = test::ReadFileBytes(base + QStringLiteral(".jvRA"));
    ASSERT_EQ(races.size(), 12u * 1272);
    EXPECT_EQ(Line(races, 1270, 9), day.raceRecords[9]);
    EXPECT_EQ(Line(races, 1270, 10), std::string(1270, ' ') + "\r\n");
    EXPECT_EQ(Line(races, 1270, 11), std::string(1270, ' ') + "\r\n");
    EXPECT_EQ(test::ReadFileBytes(base + QStringLiteral(".jvSEr")).size(), 216u * 555);
}

TEST(CourseDayFiles, RecordsThatHaveNoSlotWriteNothing)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDate date(2026, 11, 28);

    CourseDay badRace = Day(4, date, "05");
    badRace.raceRecords[0] = RecordBuilder::Race().setKey('7', date, date, "05", 5, 7, 13).bytes();
    CourseDay badHorse = Day(4, date, "05");
    badHorse.runnerRecords[0] =
        RecordBuilder::Runner().setKey('7', date, date, "05", 5, 7, 1).setNumber(se::HorseNumber, 19).bytes();
    CourseDay otherDay = Day(4, date, "05");
    otherDay.payoutRecords[0] = RecordBuilder::Payout().setKey('2', date, date.addDays(1), "05", 5, 7, 1).bytes();
    CourseDay cut = Day(4, date, "05");
    cut.runnerRecords[3].pop_back();

    for (const CourseDay *day : {&badRace, &badHorse, &otherDay, &cut})
        EXPECT_FALSE(WriteCourseDayFiles(*day, folder.path()));
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

TEST(CourseDayFiles, RecordFileHoldsTheRecordsBackToBack)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const CourseDay day = Day(6, QDate(2026, 11, 28), "05", 3);
    std::vector<std::string> records = day.raceRecords;
    records.insert(records.end(), day.runnerRecords.begin(), day.runnerRecords.end());
    records.insert(records.end(), day.payoutRecords.begin(), day.payoutRecords.end());
    const QString path = folder.filePath(QStringLiteral("sub/records.jv"));
    ASSERT_TRUE(WriteRecordFile(path, records));
    std::string expected;
    for (const std::string &record : records)
        expected += record;
    EXPECT_EQ(test::ReadFileBytes(path), expected);
    EXPECT_EQ(expected.size(), 3 * 1272 + day.runnerRecords.size() * 555 + 3 * 719);
}

} // namespace
} // namespace velmora::gen
