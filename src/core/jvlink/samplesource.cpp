#include "core/jvlink/samplesource.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/store/atomicfile.h"
#include "core/store/racedayfiles.h"
#include "core/text/sjis.h"

#include <map>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmora {
namespace {

const QString kDateFormat = QStringLiteral("yyyyMMdd");

/** One sample course-day: its records by kind, as JV-Link delivers them (with CR LF). */
struct SampleDay
{
    QDate date;
    std::string course;
    std::map<FileKind, std::vector<std::string>> records;
};

/** Writes bytes over a field; a record too short for the field is left alone. */
void Patch(std::string &record, FieldPos field, std::string_view bytes)
{
    if (static_cast<size_t>(field.pos - 1 + field.len) > record.size())
        return;
    record.replace(static_cast<size_t>(field.pos - 1), static_cast<size_t>(field.len), bytes);
}

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
            Patch(record, field, date.addDays(days).toString(kDateFormat).toStdString());
    }
}

/** The course-days of the sample folder, read whole; empty when any file cannot be read. */
std::vector<SampleDay> ReadSample(const QString &sampleDir)
{
    std::vector<SampleDay> days;
    const QDir dir(sampleDir);
    for (const QString &raceFile : dir.entryList({QStringLiteral("*.jvRA")}, QDir::Files, QDir::Name)) {
        SampleDay day;
        for (const FileKind kind : {FileKind::Race, FileKind::Runner, FileKind::Payout}) {
            const QString path =
                dir.filePath(QFileInfo(raceFile).completeBaseName() + QLatin1String(KindInfo(kind).extension));
            QFile file(path);
            if (!file.exists() && kind == FileKind::Payout)
                continue;
            if (!file.open(QIODevice::ReadOnly))
                return {};
            const QByteArray bytes = file.readAll();
            for (const std::string &line :
                 SplitLines(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) {
                if (line.find_first_not_of(' ') != std::string::npos)
                    day.records[kind].push_back(line + "\r\n");
            }
        }
        const auto &races = day.records[FileKind::Race];
        if (races.empty())
            return {};
        day.date = DateField(races.front(), common::MeetingDate);
        day.course = std::string(Field(races.front(), common::Course));
        if (!day.date.isValid())
            return {};
        days.push_back(std::move(day));
    }
    return days;
}

/** The course-day as JV-Link delivers it at `stage`; a race card has no payouts. */
SampleDay AtStage(SampleDay day, RaceStage stage)
{
    if (stage == RaceStage::RaceCard)
        day.records.erase(FileKind::Payout);
    for (auto &[kind, records] : day.records) {
        for (std::string &record : records)
            record = RecordAtStage(std::move(record), stage);
    }
    return day;
}

std::string Contents(const SampleDay &day)
{
    std::string bytes;
    for (const FileKind kind : {FileKind::Race, FileKind::Runner, FileKind::Payout}) {
        const auto found = day.records.find(kind);
        if (found != day.records.end()) {
            for (const std::string &record : found->second)
                bytes += record;
        }
    }
    return bytes;
}

} // namespace

std::string RecordAtStage(std::string record, RaceStage stage)
{
    const QDate meetingDate = DateField(record, common::MeetingDate);
    const bool payout = Field(record, common::RecordType) == "HR";
    const bool card = stage == RaceStage::RaceCard;
    Patch(record, common::DataKind, card ? "2" : payout ? "1" : "5");
    if (meetingDate.isValid())
        Patch(record, common::Created, meetingDate.addDays(card ? -1 : 0).toString(kDateFormat).toStdString());
    if (card && Field(record, common::RecordType) == "SE") {
        Patch(record, se::Finish, "00");
        Patch(record, se::Popularity, "00");
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

bool LayOutSampleSource(const QString &sampleDir, const QString &folder, const QDateTime &now)
{
    std::vector<SampleDay> days = ReadSample(sampleDir);
    if (sampleDir.isEmpty() || days.empty())
        return false;
    QDate first = days.front().date;
    for (const SampleDay &day : days)
        first = std::min(first, day.date);
    // Whole weeks keep every weekday, and with it each record's day code, as it was.
    const qint64 shift = LatestSaturday(first).daysTo(LatestSaturday(now.date()));
    const QDate saturday = LatestSaturday(now.date());

    std::vector<SourceFile> files;
    for (SampleDay &day : days) {
        day.date = day.date.addDays(shift);
        for (auto &[kind, records] : day.records) {
            for (std::string &record : records)
                Redate(record, shift);
        }
        const QString course = FromSjis(day.course);
        const SampleDay results = AtStage(day, RaceStage::RaceDayResult);
        files.push_back({SourceFileName("RACE", day.date, now, course),
                         Contents(day.date == saturday ? results : AtStage(day, RaceStage::RaceCard))});
        files.push_back({SourceFileName("0B12", day.date, now, course), Contents(results)});
    }
    return WriteSourceFolder(folder, files);
}

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

LocalJVLink::SourceMaker BundledSampleMaker(const QString &programDir)
{
    return [programDir](const QString &folder, const QDateTime &now) {
        return LayOutSampleSource(BundledSampleFolder(programDir), folder, now);
    };
}

} // namespace velmora
