#include "gen/samplesource.h"

#include "core/codes/jvdata.h"
#include "core/jvlink/samplesource.h"

#include <numeric>

namespace velmora::gen {
namespace {

constexpr std::uint64_t kSampleSeed = 20261128;

/** Bytes at a field of a record, of the field's length. */
void Patch(std::string &record, FieldPos field, std::string_view bytes)
{
    record.replace(static_cast<size_t>(field.pos - 1), static_cast<size_t>(field.len), bytes);
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
    const std::string created = day.date.addDays(-2).toString(QStringLiteral("yyyyMMdd")).toStdString();
    auto beforeTheRace = [&](std::string &record) {
        Patch(record, common::DataKind, "2");
        Patch(record, {4, 8}, created);
    };
    for (std::string &record : card.raceRecords)
        beforeTheRace(record);
    for (std::string &record : card.runnerRecords) {
        beforeTheRace(record);
        Patch(record, se::Finish, "00");
        Patch(record, se::Popularity, "00");
    }
    return card;
}

SampleSource MakeSampleSource(QDate today)
{
    SampleSource sample;
    const QDate saturday = LatestSaturday(today);
    sample.results = Generator(kSampleSeed).weekend(saturday);
    for (const CourseDay &day : sample.results)
        sample.raceData.push_back(day.date == saturday ? day : CardOf(day));
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
