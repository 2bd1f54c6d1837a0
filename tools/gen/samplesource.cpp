#include "gen/samplesource.h"

#include "core/codes/jvdata.h"
#include "core/jvlink/samplesource.h"

namespace velmora::gen {
namespace {

constexpr std::uint64_t kSampleSeed = 20261128;

/** The records of a course-day as JV-Link delivers them at `stage`. */
void PutAtStage(std::vector<std::string> &records, RaceStage stage)
{
    for (std::string &record : records)
        record = RecordAtStage(std::move(record), stage);
}

} // namespace

CourseDay CardOf(const CourseDay &day)
{
    CourseDay card = day;
    card.withResults = false;
    card.payoutRecords.clear();
    for (RaceSpec &race : card.races) {
        for (RunnerSpec &runner : race.runners)
            runner.finish = runner.popularity = 0;
    }
    PutAtStage(card.raceRecords, RaceStage::RaceCard);
    PutAtStage(card.runnerRecords, RaceStage::RaceCard);
    return card;
}

CourseDay RaceDayResultsOf(const CourseDay &day)
{
    CourseDay results = day;
    PutAtStage(results.raceRecords, RaceStage::RaceDayResult);
    PutAtStage(results.runnerRecords, RaceStage::RaceDayResult);
    PutAtStage(results.payoutRecords, RaceStage::RaceDayResult);
    return results;
}

SampleSource MakeSampleSource(QDate today)
{
    SampleSource sample;
    const QDate saturday = LatestSaturday(today);
    for (const CourseDay &day : Generator(kSampleSeed).weekend(saturday)) {
        sample.results.push_back(RaceDayResultsOf(day));
        sample.raceData.push_back(
            SampleRaceDataStage(day.date, saturday) == RaceStage::RaceCard ? CardOf(day) : sample.results.back());
    }
    return sample;
}

bool LayOutSampleSource(const QString &folder, const QDateTime &now)
{
    std::vector<SampleCourseDay> days;
    for (const CourseDay &day : Generator(kSampleSeed).weekend(LatestSaturday(now.date())))
        days.push_back(
            {day.date, QString::fromStdString(day.course), day.raceRecords, day.runnerRecords, day.payoutRecords});
    return WriteSampleSource(folder, days, now);
}

} // namespace velmora::gen
