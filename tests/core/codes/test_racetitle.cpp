#include "core/codes/jvdata.h"
#include "core/codes/racetitle.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using gen::RecordBuilder;

/** An RA record as JV-Data carries an ordinary race: name and short names full-width blanks. */
RecordBuilder OrdinaryRace(QDate date, const char *type, int condition2, int condition3, int condition4)
{
    RecordBuilder record = RecordBuilder::Race();
    record.setKey('7', date, date, "05", 5, 7, 3)
        .setText(ra::RaceName, "")
        .setText(ra::ShortName10, "")
        .setText(ra::ShortName6, "")
        .setText(ra::ShortName3, "")
        .set(ra::RaceType, type)
        .setNumber(ra::Condition2, condition2)
        .setNumber(ra::Condition3, condition3)
        .setNumber(ra::Condition4, condition4)
        .setNumber(ra::Condition5, condition4);
    return record;
}

std::string FullWidthBlanks(int count)
{
    std::string blanks;
    for (int i = 0; i < count; ++i)
        blanks += "\x81\x40";
    return blanks;
}

TEST(RaceTitle, OrdinaryRacesAreCalledByTypeAndClass)
{
    ASSERT_TRUE(Cp932Available());
    const QDate now(2026, 11, 28);
    const struct
    {
        QDate date;
        const char *type;
        int conditions[3]; // 2-, 3- and 4-year-olds (the 4-year-old one also for 5 and over)
        const char *title;
    } cases[] = {
        {now, "11", {701, 0, 0}, "２歳新馬"},
        {now, "11", {703, 0, 0}, "２歳未勝利"},
        {now, "12", {0, 702, 0}, "３歳未出走"},
        {now, "12", {0, 999, 0}, "３歳オープン"},
        {now, "13", {0, 5, 5}, "３歳以上１勝クラス"},
        {now, "14", {0, 0, 10}, "４歳以上２勝クラス"},
        {QDate(2019, 6, 1), "13", {0, 16, 16}, "３歳以上３勝クラス"},
        {QDate(2019, 5, 26), "14", {0, 0, 16}, "４歳以上１６００万下"},
        // Before summer 2006 older horses ran under a higher class; the youngest one names the race.
        {QDate(2005, 4, 3), "13", {0, 5, 10}, "３歳以上５００万下"},
        {now, "18", {0, 703, 703}, "障害３歳以上未勝利"},
        {now, "19", {0, 0, 999}, "障害４歳以上オープン"},
        // Until 2000 ages were counted one higher.
        {QDate(2000, 12, 24), "11", {701, 0, 0}, "３歳新馬"},
        {QDate(2001, 1, 6), "11", {703, 0, 0}, "２歳未勝利"},
        {QDate(1994, 10, 2), "23", {0, 4, 4}, "アラブ系４歳以上４００万下"},
        {now, "15", {0, 5, 5}, ""},   // no such race type
        {now, "  ", {701, 0, 0}, ""}, // none at all
        {now, "13", {0, 0, 5}, ""},   // the youngest age group has no class
        {now, "14", {0, 0, 850}, ""}, // a code of no class
    };
    for (const auto &c : cases) {
        const RecordBuilder record = OrdinaryRace(c.date, c.type, c.conditions[0], c.conditions[1], c.conditions[2]);
        EXPECT_EQ(SjisToUtf8(OrdinaryRaceTitle(record.bytes())), c.title)
            << c.date.toString(Qt::ISODate).toStdString() << " " << c.type;
    }
}

TEST(RaceTitle, BlankNamesShowTheTitleInTheFieldsWidth)
{
    ASSERT_TRUE(Cp932Available());
    const QDate date(2026, 11, 28);
    const RecordBuilder maiden = OrdinaryRace(date, "11", 703, 0, 0);
    EXPECT_EQ(RaceNameOf(maiden.bytes()), Utf8ToSjis("２歳未勝利") + FullWidthBlanks(25));
    EXPECT_EQ(RaceShortNameOf(maiden.bytes()), Utf8ToSjis("２歳未勝利") + FullWidthBlanks(1));

    // A name of half-width blanks is blank too; a title longer than the short name drops its ages.
    RecordBuilder classRace = OrdinaryRace(date, "13", 0, 5, 5);
    classRace.set(ra::RaceName, "").set(ra::ShortName6, "");
    EXPECT_EQ(RaceNameOf(classRace.bytes()), Utf8ToSjis("３歳以上１勝クラス") + FullWidthBlanks(21));
    EXPECT_EQ(RaceShortNameOf(classRace.bytes()), Utf8ToSjis("１勝クラス") + FullWidthBlanks(1));
    const RecordBuilder jump = OrdinaryRace(date, "18", 0, 703, 703);
    EXPECT_EQ(RaceShortNameOf(jump.bytes()), Utf8ToSjis("障害未勝利") + FullWidthBlanks(1));
    const RecordBuilder oldJump = OrdinaryRace(QDate(1995, 3, 4), "19", 0, 0, 16);
    EXPECT_EQ(RaceShortNameOf(oldJump.bytes()), Utf8ToSjis("障害１６００"));

    // Named races keep their stored bytes, and so does a blank name without a title.
    RecordBuilder named = OrdinaryRace(date, "14", 0, 0, 999);
    named.setText(ra::RaceName, "髙尾山ステークス").setText(ra::ShortName6, "髙尾山Ｓ");
    EXPECT_EQ(RaceNameOf(named.bytes()), Field(named.bytes(), ra::RaceName));
    EXPECT_EQ(RaceShortNameOf(named.bytes()), Field(named.bytes(), ra::ShortName6));
    named.setText(ra::ShortName6, "");
    EXPECT_EQ(RaceShortNameOf(named.bytes()), FullWidthBlanks(6));
    RecordBuilder untitled = RecordBuilder::Race();
    untitled.setKey('7', date, date, "05", 5, 7, 3);
    EXPECT_EQ(RaceNameOf(untitled.bytes()), std::string(60, ' '));
    EXPECT_EQ(RaceShortNameOf(untitled.bytes()), std::string(12, ' '));
}

TEST(RaceTitle, FieldsAreFittedByBytesBetweenCharacters)
{
    ASSERT_TRUE(Cp932Available());
    const std::string text = Utf8ToSjis("ｱ髙～①");
    EXPECT_EQ(FitToField(text, 4), Utf8ToSjis("ｱ髙") + " ") << "the ～ would be cut in half";
    EXPECT_EQ(FitToField(text, 7), text);
    EXPECT_EQ(FitToField(text, 10), text + FullWidthBlanks(1) + " ");
    EXPECT_EQ(FitToField("", 3), FullWidthBlanks(1) + " ");

    EXPECT_TRUE(IsBlankText(""));
    EXPECT_TRUE(IsBlankText(" \x81\x40  \x81\x40"));
    EXPECT_FALSE(IsBlankText("\x81"));
    EXPECT_FALSE(IsBlankText(" \x81\x41"));
    EXPECT_FALSE(IsBlankText("  a"));
}

} // namespace
} // namespace velmora
