#include "core/store/courseday.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(CourseDay, ReadsDateAndCourseFromItsName)
{
    const CourseDay day(QStringLiteral("2026年11月29日東京"));
    EXPECT_TRUE(day.readable());
    EXPECT_EQ(day.fileBase(), QStringLiteral("2026年11月29日東京"));
    EXPECT_EQ(day.displayName(), QStringLiteral("2026年11月29日東京"));
    EXPECT_EQ(day.date(), QDate(2026, 11, 29));
    EXPECT_EQ(day.courseName(), QStringLiteral("東京"));
    EXPECT_EQ(day.courseCode(), "05");
    EXPECT_TRUE(day.isYear2005OrLater());
    EXPECT_EQ(day.filePath(QStringLiteral("/d"), FileKind::Runner), QStringLiteral("/d/2026年11月29日東京.jvSEr"));
    EXPECT_EQ(CourseDayDateText(day.date()), QStringLiteral("2026年11月29日"));

    EXPECT_FALSE(CourseDay(QStringLiteral("2004年12月26日中山")).isYear2005OrLater());
    // Two codes share the name 札幌: the first, JRA's, stands for it.
    EXPECT_EQ(CourseDay(QStringLiteral("2026年08月01日札幌")).courseCode(), "01");
}

TEST(CourseDay, NamesItDidNotMakeKeepWhatTheyHold)
{
    const CourseDay renamed(QStringLiteral("notes"));
    EXPECT_FALSE(renamed.date().isValid());
    EXPECT_TRUE(renamed.courseName().isEmpty());
    EXPECT_EQ(renamed.courseCode(), "");
    EXPECT_FALSE(renamed.isYear2005OrLater());

    // The year is the number the name begins with, as the loader always read it.
    EXPECT_TRUE(CourseDay(QStringLiteral("2010-copy")).isYear2005OrLater());
    EXPECT_FALSE(CourseDay(QStringLiteral("2026年02月30日東京")).date().isValid());
    EXPECT_FALSE(CourseDay(QStringLiteral("２０２６年11月29日東京")).date().isValid());
    EXPECT_EQ(CourseDay(QStringLiteral("2026年11月29日\n偽")).displayName(), QStringLiteral("2026年11月29日\\n偽"));

    const CourseDay unreadable = CourseDay::Unreadable(QStringLiteral("2026年11月29日\\x93\\x8c"));
    EXPECT_FALSE(unreadable.readable());
    EXPECT_EQ(unreadable.date(), QDate(2026, 11, 29));
    EXPECT_NE(unreadable, CourseDay(unreadable.fileBase()));
    EXPECT_TRUE(CourseDay().isNull());
}

TEST(CourseDay, OfARecordIsNamedAsTheStoreNamesItsFiles)
{
    const std::string record =
        gen::RecordBuilder::Race().setKey('7', QDate(2026, 7, 1), QDate(2026, 7, 4), "58", 1, 1, 3).bytes();
    const CourseDay day = CourseDay::OfRecord(record);
    EXPECT_EQ(day.fileBase(), QStringLiteral("2026年07月04日札幌"));
    EXPECT_EQ(day.date(), QDate(2026, 7, 4));
    EXPECT_EQ(day.courseCode(), "58") << "the record's own code";
    EXPECT_EQ(day, CourseDay(QStringLiteral("2026年07月04日札幌")));
}

} // namespace
} // namespace velmora
