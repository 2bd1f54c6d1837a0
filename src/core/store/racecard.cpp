#include "core/store/racecard.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/store/racedayfiles.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace velmora {
namespace {

/** The first `maxRecords` fixed-length records of a file, each checked to end with CR LF. */
struct RecordFile
{
    QByteArray bytes;
    int recordLength = 0;

    int count() const { return static_cast<int>(bytes.size() / recordLength); }
    std::string_view record(int index) const
    {
        return {bytes.constData() + static_cast<qsizetype>(index) * recordLength, static_cast<size_t>(recordLength)};
    }
};

/** A course-day file's name as messages show it: a line break or a control character in it is escaped. */
QString ShownFileName(const QString &path)
{
    return VisibleText(QFileInfo(path).fileName());
}

QString DamagedMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("データファイル「%1」が壊れています（%2）。データを取り込み直してください。")
        .arg(ShownFileName(path), reason);
}

/** A file of a course-day as read whole: how the read went, its bytes, or why it failed. */
struct ReadFile
{
    QString path;
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
    QString reason;

    /** Not there, or a folder, pipe or device in its place: the course-day's data is not complete. */
    bool missing() const { return status == ReadStatus::Missing || status == ReadStatus::NotRegular; }
};

/**
 * Reads a course-day file whole, without a separate look at whether it exists (a stat
 * per file shows over years of course-days) and without ever waiting on a pipe.
 */
ReadFile ReadWhole(const QString &path)
{
    ReadFile file;
    file.path = path;
    file.status = ReadRegularFile(path, kMaxCourseDayFileSize, file.bytes, &file.reason);
    return file;
}

/**
 * The first `maxRecords` records of a file read whole. A file that ends inside a
 * record, or a record that does not end with CR LF, is damaged: its lines are not the
 * kind's width and every later record would be read at the wrong offset.
 */
bool ReadRecordFile(ReadFile &file, int recordLength, int maxRecords, RecordFile &out, QString &error)
{
    const QString &path = file.path;
    if (file.status != ReadStatus::Ok) {
        error = QStringLiteral("データファイル「%1」を読み込めません（%2）。").arg(ShownFileName(path), file.reason);
        return false;
    }
    const qint64 size = file.bytes.size();
    const qint64 limit = static_cast<qint64>(recordLength) * maxRecords;
    if (size <= limit && size % recordLength != 0) {
        error = DamagedMessage(path, QStringLiteral("レコード長が%1バイトではありません").arg(recordLength));
        return false;
    }
    out.recordLength = recordLength;
    out.bytes = std::move(file.bytes);
    if (size > limit)
        out.bytes.truncate(limit);
    for (int i = 0; i < out.count(); ++i) {
        const std::string_view record = out.record(i);
        if (!record.ends_with("\r\n")) {
            error = DamagedMessage(path, QStringLiteral("%1行目の長さが不正です").arg(i + 1));
            return false;
        }
    }
    return true;
}

/** Date, course and race number: what ties a payout record to its race. */
struct PayoutKey
{
    std::string_view year, monthDay, course, race;

    explicit PayoutKey(std::string_view record)
        : year(Field(record, common::Year))
        , monthDay(Field(record, common::MonthDay))
        , course(Field(record, common::Course))
        , race(Field(record, common::RaceNumber))
    {}

    bool blank() const
    {
        return TrimBlanks(year).empty() && TrimBlanks(monthDay).empty() && TrimBlanks(course).empty() &&
               TrimBlanks(race).empty();
    }
    bool operator==(const PayoutKey &) const = default;
};

#ifdef Q_OS_UNIX
/** Whether a folder entry is a regular file, or a link to one. */
bool IsRegularEntry(int dirFd, const dirent &entry)
{
    if (entry.d_type == DT_REG)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat info;
    return ::fstatat(dirFd, entry.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}
#endif

} // namespace

QString LoadResult::reason(const RaceCard &card) const
{
    if (status == LoadStatus::FewRaces)
        return QStringLiteral("レースが%1件しかないため、予想を計算できません（%2レース以上が必要です）。")
            .arg(card.RaceCount)
            .arg(kMinRacesToCompute);
    return message;
}

void RaceCard::clear()
{
    for (int r = 1; r <= kMaxRaces; ++r) {
        RaceRecords[r].assign(kRaceRecordLength, ' ');
        PayoutRecords[r].assign(kPayoutRecordLength, ' ');
        for (int s = 1; s <= kMaxRunners; ++s)
            RunnerRecords[r][s].assign(kRunnerRecordLength, ' ');
    }
    RaceCount = 0;
}

int RaceCard::registeredRunners(int race) const
{
    return FieldValue(Field(RaceRecords[static_cast<size_t>(race)], ra::Registered));
}

int RaceCard::bracketOf(int race, int horse) const
{
    if (race < 1 || race > kMaxRaces || horse < 1 || horse > kMaxRunners)
        return 0;
    return FieldValue(Field(RunnerRecords[static_cast<size_t>(race)][static_cast<size_t>(horse)], se::Bracket));
}

LoadResult LoadCourseDay(const QString &dataDir, const CourseDay &day, RaceCard &card)
{
    LoadResult result;
    card.IsYear2005OrLater = day.isYear2005OrLater();
    const QString racePath = day.filePath(dataDir, FileKind::Race);
    const QString runnerPath = day.filePath(dataDir, FileKind::Runner);
    const QString payoutPath = day.filePath(dataDir, FileKind::Payout);
    ReadFile raceFile = ReadWhole(racePath);
    ReadFile runnerFile = ReadWhole(runnerPath);
    if (raceFile.missing() || runnerFile.missing()) {
        card.clear();
        return {LoadStatus::FilesMissing, QStringLiteral("データ作成が未完了のようです。")};
    }

    RecordFile races, runners, payouts;
    if (!ReadRecordFile(raceFile, kRaceRecordLength, kMaxRaces, races, result.message) ||
        !ReadRecordFile(runnerFile, kRunnerRecordLength, kMaxRaces * kMaxRunners, runners, result.message)) {
        result.status = LoadStatus::Damaged;
        card.clear();
        return result;
    }

    // Each record slot is written once, with its record or with blanks: years of
    // course-days are loaded one after another, and blanking the whole card first
    // would double the bytes written.
    bool complete = true;
    card.RaceCount = 0;
    for (int r = 1; r <= kMaxRaces; ++r) {
        const auto slot = static_cast<size_t>(r);
        std::string &raceRecord = card.RaceRecords[slot];
        const bool filed = r <= races.count();
        if (filed)
            raceRecord.assign(races.record(r - 1));
        else
            raceRecord.assign(kRaceRecordLength, ' ');
        const int listed = filed ? std::min(card.registeredRunners(r), kMaxRunners) : 0;
        for (int s = 1; s <= kMaxRunners; ++s) {
            std::string &runner = card.RunnerRecords[slot][static_cast<size_t>(s)];
            if (s > listed) {
                runner.assign(kRunnerRecordLength, ' ');
                continue;
            }
            const int index = (r - 1) * kMaxRunners + (s - 1);
            if (index >= runners.count()) {
                card.clear();
                return {LoadStatus::Damaged,
                        DamagedMessage(runnerPath, QStringLiteral("%1Rの%2番の出走馬がありません").arg(r).arg(s))};
            }
            runner.assign(runners.record(index));
            if (card.bracketOf(r, s) < 1)
                complete = false;
        }
        card.PayoutRecords[slot].assign(kPayoutRecordLength, ' ');
        if (!TrimBlanks(Field(raceRecord, common::Year)).empty())
            ++card.RaceCount;
    }

    if (!complete)
        return {LoadStatus::Incomplete, QStringLiteral("データ作成が未完了です。")};

    ReadFile payoutFile = ReadWhole(payoutPath);
    if (!payoutFile.missing()) {
        if (!ReadRecordFile(payoutFile, kPayoutRecordLength, kMaxRaces, payouts, result.message)) {
            card.clear();
            result.status = LoadStatus::Damaged;
            return result;
        }
        for (int i = 0; i < payouts.count(); ++i) {
            const std::string_view payout = payouts.record(i);
            const PayoutKey key(payout);
            if (key.blank())
                continue;
            for (int r = 1; r <= kMaxRaces; ++r) {
                if (PayoutKey(card.RaceRecords[static_cast<size_t>(r)]) == key) {
                    card.PayoutRecords[static_cast<size_t>(r)].assign(payout);
                    break;
                }
            }
        }
    }

    if (card.RaceCount < kMinRacesToCompute)
        return {LoadStatus::FewRaces, {}};

    // Every race is measured against a neighbour by dividing through its score and
    // field size; a race without them cannot be computed at all.
    for (int r = 1; r <= card.RaceCount; ++r) {
        const std::string &record = card.RaceRecords[static_cast<size_t>(r)];
        if (FieldValue(Field(record, ra::Distance)) == 0 || card.registeredRunners(r) == 0)
            return {LoadStatus::ZeroDivisor, QStringLiteral("%1Rの距離または登録頭数が0のため、予想を計算できません。"
                                                            "データを取り込み直してください。")
                                                 .arg(r)};
    }
    return result;
}

std::string CourseDayDate(const QString &dataDir, const CourseDay &day)
{
    ReadFile file = ReadWhole(day.filePath(dataDir, FileKind::Race));
    RecordFile races;
    QString error;
    if (!ReadRecordFile(file, kRaceRecordLength, 1, races, error) || races.count() < 1)
        return {};
    return std::string(Field(races.record(0), common::MeetingDate));
}

std::vector<CourseDay> ListCourseDays(const QString &dataDir)
{
    const QLatin1StringView extension(KindInfo(FileKind::Race).extension);
    std::vector<CourseDay> listed;
    const auto add = [&](QString name, bool readable) {
        listed.push_back(readable ? CourseDay(std::move(name)) : CourseDay::Unreadable(std::move(name)));
    };
#ifdef Q_OS_UNIX
    // Read here rather than through QDir, which passes over names that are not valid
    // UTF-8 without a word: such a course-day is listed as unreadable instead. The
    // rest is what QDir lists with QDir::Files: regular files and links to them,
    // hidden names left out.
    DIR *dir = ::opendir(QFile::encodeName(dataDir).constData());
    if (dir) {
        const QByteArrayView suffix(extension.data(), extension.size());
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArrayView file(entry->d_name);
            if (file.startsWith('.') || !file.endsWith(suffix) || !IsRegularEntry(::dirfd(dir), *entry))
                continue;
            const QByteArrayView base = file.chopped(suffix.size());
            if (IsValidUtf8(base))
                add(QFile::decodeName(base.toByteArray()), true);
            else
                add(VisibleFileName(base), false);
        }
        ::closedir(dir);
    }
#else
    QDir dir(dataDir);
    dir.setNameFilters({QStringLiteral("*") + QString(extension)});
    dir.setFilter(QDir::Files | QDir::CaseSensitive);
    dir.setSorting(QDir::Unsorted);
    for (const QString &file : dir.entryList())
        add(file.chopped(extension.size()), true);
#endif
    // Ordered as the system's own CP932 texts order, then latest first. Years of
    // course-days make thousands of names: all are converted in one go, joined by "/",
    // which no file name holds and no CP932 character has as its second byte.
    QString joined;
    for (const CourseDay &day : listed) {
        joined += day.fileBase();
        joined += QLatin1Char('/');
    }
    const std::string converted = ToSjis(joined);
    std::vector<std::pair<std::string_view, CourseDay>> keyed;
    keyed.reserve(listed.size());
    size_t start = 0;
    for (CourseDay &day : listed) {
        const size_t end = converted.find('/', start);
        keyed.emplace_back(std::string_view(converted).substr(start, end - start), std::move(day));
        start = end + 1;
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<CourseDay> days;
    days.reserve(keyed.size());
    for (auto &[key, day] : keyed)
        days.push_back(std::move(day));
    return days;
}

QString UnreadableNameReason()
{
    return QStringLiteral("ファイル名がUTF-8として読めない文字を含むため、読み込めません。"
                          "ファイル名を付け直してください。");
}

std::vector<CourseDay> LoadableCourseDays(const QString &dataDir)
{
    std::vector<CourseDay> days = ListCourseDays(dataDir);
    std::erase_if(days, [](const CourseDay &day) { return !day.readable(); });
    return days;
}

} // namespace velmora
