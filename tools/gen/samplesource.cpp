#include "gen/samplesource.h"

#include "core/codes/jvdata.h"
#include "core/jvlink/samplesource.h"

#include <numeric>

namespace velmora::gen {
namespace {

constexpr std::uint64_t kSampleSeed = 20261128;

/** The records of a course-day as JV-Link delivers them at `stage`. */
void PutAtStage(std::vector<std::string> &records, RaceStage stage)
{
    for (std::string &record : records)
        record = RecordAtStage(std::move(record), stage);
}

std::vector<std::string> RecordsOf(const CourseDay &day)
{
    std::vector<std::string> records = day.raceRecords;
    records.insert(records.end(), day.runnerRecords.begin(), day.runnerRecords.end());
    records.insert(records.end(), day.payoutRecords.begin(), day.payoutRecords.end());
    return records;
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
        sample.raceData.push_back(day.date == saturday ? sample.results.back() : CardOf(day));
    }
    return sample;
}

bool LayOutSampleSource(const QString &folder, const QDateTime &now)
{
    const SampleSource sample = MakeSampleSource(now.date());
    std::vector<SourceFile> files;
    auto add = [&](const char *dataspec, const CourseDay &day) {
        const std::vector<std::string> records = RecordsOf(day);
        files.push_back({SourceFileName(dataspec, day.date, now, QString::fromStdString(day.course)),
                         std::accumulate(records.begin(), records.end(), std::string())});
    };
    for (const CourseDay &day : sample.raceData)
        add("RACE", day);
    for (const CourseDay &day : sample.results)
        add("0B12", day);
    return WriteSourceFolder(folder, files);
}

} // namespace velmora::gen
