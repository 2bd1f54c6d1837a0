#include "core/jvlink/samplesource.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/store/atomicfile.h"
#include "core/store/racedayfiles.h"
#include "core/text/sjis.h"

#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmora {
namespace {

const QString kDateFormat = QStringLiteral("yyyyMMdd");

QDate DateField(const std::string &record, FieldPos field)
{
    return QDate::fromString(FromSjis(Field(record, field)), kDateFormat);
}

/** Moves a record's meeting date, and its creation date where it has one, by `days`. */
void Redate(std::string &record, qint64 days)
{
    for (const FieldPos field : {common::MeetingDate, common::Created}) {
        const QDate date = DateField(record, field);
        if (date.isValid())
            SetField(record, field, date.addDays(days).toString(kDateFormat).toStdString());
    }
}

/** The records of a course-day file of the sample, each with CR LF; false when it cannot be read. */
bool ReadSampleRecords(const QString &path, std::vector<std::string> &records)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    for (const std::string &line : SplitLines(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) {
        if (line.find_first_not_of(' ') != std::string::npos)
            records.push_back(line + "\r\n");
    }
    return true;
}

/** The course-days of the sample folder, read whole; empty when any file cannot be read. */
std::vector<SampleCourseDay> ReadSample(const QString &sampleDir)
{
    std::vector<SampleCourseDay> days;
    const QDir dir(sampleDir);
    for (const QString &raceFile : dir.entryList({QStringLiteral("*.jvRA")}, QDir::Files, QDir::Name)) {
        const QString base = dir.filePath(QFileInfo(raceFile).completeBaseName());
        const auto path = [&](FileKind kind) { return base + QLatin1String(KindInfo(kind).extension); };
        SampleCourseDay day;
        if (!ReadSampleRecords(path(FileKind::Race), day.raceRecords) ||
            !ReadSampleRecords(path(FileKind::Runner), day.runnerRecords) ||
            (QFile::exists(path(FileKind::Payout)) && !ReadSampleRecords(path(FileKind::Payout), day.payoutRecords)) ||
            day.raceRecords.empty())
            return {};
        day.date = DateField(day.raceRecords.front(), common::MeetingDate);
        day.course = FromSjis(Field(day.raceRecords.front(), common::Course));
        if (!day.date.isValid())
            return {};
        days.push_back(std::move(day));
    }
    return days;
}

/** The records of a course-day as JV-Link delivers them at `stage`, one after another; a race card has no payouts. */
std::string RecordsAtStage(const SampleCourseDay &day, RaceStage stage)
{
    std::string bytes;
    const auto add = [&](const std::vector<std::string> &records) {
        for (const std::string &record : records)
            bytes += RecordAtStage(record, stage);
    };
    add(day.raceRecords);
    add(day.runnerRecords);
    if (stage != RaceStage::RaceCard)
        add(day.payoutRecords);
    return bytes;
}

/** One file of a JV-Data source folder: its name and its records, as JV-Link delivers them. */
struct SourceFile
{
    QString name;
    std::string bytes;
};

/** The name of a source file: "<dataspec>_<meeting date yyyymmdd>_<stamp yyyymmddhhnnss>_<course code>.jvd". */
QString SourceFileName(const char *dataspec, QDate meetingDate, const QDateTime &stamp, const QString &course)
{
    return QStringLiteral("%1_%2_%3_%4.jvd")
        .arg(QLatin1String(dataspec), meetingDate.toString(kDateFormat),
             stamp.toString(QStringLiteral("yyyyMMddHHmmss")), course);
}

bool WriteSourceFolder(const QString &folder, const std::vector<SourceFile> &files)
{
    // Written beside the folder and renamed into place at the end, so that a failure
    // half way never leaves a partial source that would be served as the whole one.
    const QString partial = folder + QStringLiteral(".partial");
    QDir(partial).removeRecursively();
    bool written = QDir().mkpath(partial);
    for (const SourceFile &file : files)
        written = written && WriteFileAtomically(partial + QLatin1Char('/') + file.name, file.bytes);
    if (!written || !QDir().rename(partial, folder)) {
        QDir(partial).removeRecursively();
        return false;
    }
    return true;
}

} // namespace

std::string RecordAtStage(std::string record, RaceStage stage)
{
    const QDate meetingDate = DateField(record, common::MeetingDate);
    const bool payout = Field(record, common::RecordType) == "HR";
    const bool card = stage == RaceStage::RaceCard;
    SetField(record, common::DataKind, card ? "2" : payout ? "1" : "5");
    if (meetingDate.isValid())
        SetField(record, common::Created, meetingDate.addDays(card ? -1 : 0).toString(kDateFormat).toStdString());
    if (card && Field(record, common::RecordType) == "SE") {
        SetField(record, se::Finish, "00");
        SetField(record, se::Popularity, "00");
    }
    return record;
}

QDate LatestSaturday(QDate today)
{
    return today.addDays(-((today.dayOfWeek() - Qt::Saturday + 7) % 7));
}

QString BundledSampleFolder(const QString &programDir)
{
    for (const QString &candidate :
         {programDir + QStringLiteral("/sample"), programDir + QStringLiteral("/../share/velmora/sample")}) {
        if (!QDir(candidate).entryList({QStringLiteral("*.jvRA")}, QDir::Files).isEmpty())
            return QDir::cleanPath(candidate);
    }
    return {};
}

RaceStage SampleRaceDataStage(QDate date, QDate saturday)
{
    return date == saturday ? RaceStage::RaceDayResult : RaceStage::RaceCard;
}

bool WriteSampleSource(const QString &folder, const std::vector<SampleCourseDay> &days, const QDateTime &now)
{
    const QDate saturday = LatestSaturday(now.date());
    std::vector<SourceFile> files;
    for (const SampleCourseDay &day : days) {
        files.push_back({SourceFileName("RACE", day.date, now, day.course),
                         RecordsAtStage(day, SampleRaceDataStage(day.date, saturday))});
        files.push_back(
            {SourceFileName("0B12", day.date, now, day.course), RecordsAtStage(day, RaceStage::RaceDayResult)});
    }
    return WriteSourceFolder(folder, files);
}

bool LayOutSampleSource(const QString &sampleDir, const QString &folder, const QDateTime &now)
{
    std::vector<SampleCourseDay> days = ReadSample(sampleDir);
    if (sampleDir.isEmpty() || days.empty())
        return false;
    QDate first = days.front().date;
    for (const SampleCourseDay &day : days)
        first = std::min(first, day.date);
    // Whole weeks keep every weekday, and with it each record's day code, as it was.
    const qint64 shift = LatestSaturday(first).daysTo(LatestSaturday(now.date()));
    for (SampleCourseDay &day : days) {
        day.date = day.date.addDays(shift);
        for (auto *records : {&day.raceRecords, &day.runnerRecords, &day.payoutRecords}) {
            for (std::string &record : *records)
                Redate(record, shift);
        }
    }
    return WriteSampleSource(folder, days, now);
}

LocalJVLink::SourceMaker BundledSampleMaker(const QString &programDir)
{
    return [programDir](const QString &folder, const QDateTime &now) {
        return LayOutSampleSource(BundledSampleFolder(programDir), folder, now);
    };
}

} // namespace velmora
