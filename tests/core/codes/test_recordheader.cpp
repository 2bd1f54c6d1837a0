#include "core/codes/recordheader.h"
#include "core/jvlink/readloop.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using gen::RecordBuilder;

TEST(RecordHeader, ReadsTheLeadingFieldsOnce)
{
    const std::string record = RecordBuilder::Runner()
                                   .setKey('7', QDate(2026, 11, 27), QDate(2026, 11, 29), "05", 5, 8, 11)
                                   .setNumber(se::HorseNumber, 14)
                                   .bytes();
    const RecordHeader header = ReadRecordHeader(record);
    EXPECT_EQ(header.type, "SE");
    EXPECT_EQ(header.dataKind, "7");
    EXPECT_FALSE(header.isLocalOrOverseas());
    EXPECT_EQ(header.createdDate, 20261127);
    EXPECT_EQ(header.meetingDate, "20261129");
    EXPECT_TRUE(header.hasMeetingDate());
    EXPECT_EQ(header.meetingDateNumber(), 20261129);
    EXPECT_EQ(header.course, "05");
    EXPECT_EQ(header.raceKey, "2026112905050811");
    EXPECT_EQ(header.raceNumber, 11);
    EXPECT_EQ(header.horseNumber, 14);

    // A short record yields what it holds and nothing beyond.
    const RecordHeader cut = ReadRecordHeader(std::string_view(record).substr(0, 15));
    EXPECT_EQ(cut.meetingDate, "2026");
    EXPECT_FALSE(cut.hasMeetingDate());
    EXPECT_EQ(cut.raceNumber, 0);
    EXPECT_TRUE(cut.course.empty());
}

TEST(RecordHeader, OnlyACalendarDateIsACreationOrMeetingDate)
{
    for (const char *created : {"        ", "00000000", "20260230", "2026112 ", "2026-1-1"}) {
        std::string record = RecordBuilder::Race().setKey('A', {}, QDate(2026, 11, 29), "05", 5, 8, 1).bytes();
        record.replace(3, 8, created);
        record.replace(11, 8, created);
        const RecordHeader header = ReadRecordHeader(record);
        EXPECT_EQ(header.createdDate, 0) << created;
        EXPECT_FALSE(header.hasMeetingDate()) << created;
        EXPECT_TRUE(header.isLocalOrOverseas());
    }
    EXPECT_EQ(DateOfDigits("20240229"), QDate(2024, 2, 29));
    EXPECT_FALSE(DateOfDigits("2024022").isValid());
}

TEST(ReceivedRecord, RaceSlotThenRunnerSlotThenBytes)
{
    auto check = [](int race, int horse, bool runner, bool damaged) {
        std::string record = RecordBuilder::Runner()
                                 .setKey('7', QDate(2026, 11, 27), QDate(2026, 11, 29), "05", 5, 8, race)
                                 .setNumber(se::HorseNumber, horse)
                                 .bytes();
        if (damaged)
            record[40] = '\x81'; // a lead byte followed by a blank is no CP932
        return CheckReceivedRecord(record, ReadRecordHeader(record), runner);
    };
    EXPECT_EQ(check(1, 1, true, false), ReceivedRecordProblem::None);
    EXPECT_EQ(check(0, 0, true, true), ReceivedRecordProblem::NoRaceNumber);
    EXPECT_EQ(check(3, 0, true, true), ReceivedRecordProblem::NoHorseNumber);
    EXPECT_EQ(check(3, 0, false, false), ReceivedRecordProblem::None) << "only runners need a horse number";
    EXPECT_EQ(check(3, 2, true, true), ReceivedRecordProblem::NotSjis);
}

} // namespace
} // namespace velmora
