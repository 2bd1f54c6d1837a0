#include "core/store/racecard.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/store/racedayfiles.h"
#include "core/text/sjis.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QString DamagedMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("データファイル「%1」が壊れています（%2）。データを取り込み直してください。")
        .arg(QFileInfo(path).fileName(), reason);
}

/**
 * Opens a file for reading. A file that is not there (or is a folder) is missing;
 * the existence is asked only after a failed open, as a stat per file shows over
 * years of course-days.
 */
bool OpenOrMissing(QFile &file, bool &missing)
{
    const bool opened = file.open(QIODevice::ReadOnly);
    missing = !opened && !QFileInfo(file.fileName()).isFile();
    return opened;
}

/**
 * Reads at most `maxRecords` records from `file`, which the caller tried to open
 * (a file left closed gives the error of its open). A file that ends inside a record, or a record
 * that does not end with CR LF, is damaged: its lines are not the kind's width and
 * every later record would be read at the wrong offset.
 */
bool ReadRecordFile(QFile &file, int recordLength, int maxRecords, RecordFile &out, QString &error)
{
    const QString path = file.fileName();
    if (!file.isOpen()) {
        error = QStringLiteral("データファイル「%1」を読み込めません（%2）。")
                    .arg(QFileInfo(path).fileName(), file.errorString());
        return false;
    }
    const qint64 size = file.size();
    const qint64 limit = static_cast<qint64>(recordLength) * maxRecords;
    const qint64 wanted = std::min(size, limit);
    if (size <= limit && size % recordLength != 0) {
        error = DamagedMessage(path, QStringLiteral("レコード長が%1バイトではありません").arg(recordLength));
        return false;
    }
    out.recordLength = recordLength;
    out.bytes = file.read(wanted);
    if (out.bytes.size() != wanted) {
        error = QStringLiteral("データファイル「%1」を読み込めません（%2）。")
                    .arg(QFileInfo(path).fileName(), file.errorString());
        return false;
    }
    for (int i = 0; i < out.count(); ++i) {
        const std::string_view record = out.record(i);
        if (!record.ends_with("\r\n")) {
            error = DamagedMessage(path, QStringLiteral("%1行目の長さが不正です").arg(i + 1));
            return false;
        }
    }
    return true;
}

QString CourseDayFile(const QString &dataDir, const QString &name, FileKind kind)
{
    return dataDir + QLatin1Char('/') + name + QLatin1String(KindInfo(kind).extension);
}

/** Date, course and race number: what ties a payout record to its race. */
std::string PayoutKey(std::string_view record)
{
    std::string key;
    key += Field(record, common::Year);
    key += Field(record, common::MonthDay);
    key += Field(record, common::Course);
    key += Field(record, common::RaceNumber);
    return key;
}

} // namespace

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

LoadResult LoadCourseDay(const QString &dataDir, const QString &name, RaceCard &card)
{
    LoadResult result;
    card.IsYear2005OrLater = FieldValue(name.left(4).toStdString()) >= 2005;
    const QString racePath = CourseDayFile(dataDir, name, FileKind::Race);
    const QString runnerPath = CourseDayFile(dataDir, name, FileKind::Runner);
    const QString payoutPath = CourseDayFile(dataDir, name, FileKind::Payout);
    QFile raceFile(racePath), runnerFile(runnerPath), payoutFile(payoutPath);
    bool raceMissing = false, runnerMissing = false, payoutMissing = false;
    OpenOrMissing(raceFile, raceMissing);
    OpenOrMissing(runnerFile, runnerMissing);
    if (raceMissing || runnerMissing) {
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

    OpenOrMissing(payoutFile, payoutMissing);
    if (!payoutMissing) {
        if (!ReadRecordFile(payoutFile, kPayoutRecordLength, kMaxRaces, payouts, result.message)) {
            card.clear();
            result.status = LoadStatus::Damaged;
            return result;
        }
        for (int i = 0; i < payouts.count(); ++i) {
            const std::string_view payout = payouts.record(i);
            const std::string key = PayoutKey(payout);
            if (TrimBlanks(key).empty())
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

std::string CourseDayDate(const QString &dataDir, const QString &name)
{
    QFile file(CourseDayFile(dataDir, name, FileKind::Race));
    RecordFile races;
    QString error;
    if (!file.open(QIODevice::ReadOnly) || !ReadRecordFile(file, kRaceRecordLength, 1, races, error) ||
        races.count() < 1)
        return {};
    return std::string(Field(races.record(0), common::MeetingDate));
}

QStringList ListDataFiles(const QString &dataDir)
{
    const QString extension = QLatin1String(KindInfo(FileKind::Race).extension);
    QDir dir(dataDir);
    dir.setNameFilters({QLatin1Char('*') + extension});
    dir.setFilter(QDir::Files | QDir::CaseSensitive);
    dir.setSorting(QDir::Unsorted);
    // Ordered as the system's own CP932 texts order, then latest first; each name is
    // converted once, as years of course-days make thousands of names.
    std::vector<std::pair<std::string, QString>> keyed;
    for (const QString &file : dir.entryList()) {
        QString name = file.chopped(extension.size());
        keyed.emplace_back(ToSjis(name), std::move(name));
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList names;
    names.reserve(static_cast<qsizetype>(keyed.size()));
    for (auto &[key, name] : keyed)
        names.append(std::move(name));
    return names;
}

} // namespace velmora
