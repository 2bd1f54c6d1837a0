#include "core/store/racecard.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/store/racedayfiles.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"

#include <algorithm>

#include <QDir>
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
 * Reads at most `maxRecords` records. A file that ends inside a record, or a record
 * that does not end with CR LF, is damaged: its lines are not the kind's width and
 * every later record would be read at the wrong offset.
 */
bool ReadRecordFile(const QString &path, int recordLength, int maxRecords, RecordFile &out, QString &error)
{
    QString reason;
    if (ReadRegularFile(path, kMaxCourseDayFileSize, out.bytes, &reason) != ReadStatus::Ok) {
        error = QStringLiteral("データファイル「%1」を読み込めません（%2）。").arg(QFileInfo(path).fileName(), reason);
        return false;
    }
    const qint64 size = out.bytes.size();
    const qint64 limit = static_cast<qint64>(recordLength) * maxRecords;
    if (size <= limit && size % recordLength != 0) {
        error = DamagedMessage(path, QStringLiteral("レコード長が%1バイトではありません").arg(recordLength));
        return false;
    }
    out.recordLength = recordLength;
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

QString LoadResult::reason() const
{
    if (status == LoadStatus::FewRaces)
        return QStringLiteral("レースが%1未満のため、予想を計算できません。").arg(kMinRacesToCompute);
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

LoadResult LoadCourseDay(const QString &dataDir, const QString &name, RaceCard &card)
{
    LoadResult result;
    card.IsYear2005OrLater = FieldValue(name.left(4).toStdString()) >= 2005;
    const QString base = dataDir + QLatin1Char('/') + name;
    const QString racePath = base + QLatin1String(KindInfo(FileKind::Race).extension);
    const QString runnerPath = base + QLatin1String(KindInfo(FileKind::Runner).extension);
    const QString payoutPath = base + QLatin1String(KindInfo(FileKind::Payout).extension);
    if (!QFileInfo(racePath).isFile() || !QFileInfo(runnerPath).isFile()) {
        card.clear();
        return {LoadStatus::FilesMissing, QStringLiteral("データ作成が未完了のようです。")};
    }

    card.clear();
    RecordFile races, runners, payouts;
    if (!ReadRecordFile(racePath, kRaceRecordLength, kMaxRaces, races, result.message) ||
        !ReadRecordFile(runnerPath, kRunnerRecordLength, kMaxRaces * kMaxRunners, runners, result.message)) {
        result.status = LoadStatus::Damaged;
        card.clear();
        return result;
    }

    bool complete = true;
    for (int r = 1; r <= kMaxRaces && r <= races.count(); ++r) {
        std::string &raceRecord = card.RaceRecords[static_cast<size_t>(r)];
        raceRecord.assign(races.record(r - 1));
        const int listed = std::min(card.registeredRunners(r), kMaxRunners);
        for (int s = 1; s <= listed; ++s) {
            const int index = (r - 1) * kMaxRunners + (s - 1);
            if (index >= runners.count()) {
                card.clear();
                return {LoadStatus::Damaged,
                        DamagedMessage(runnerPath, QStringLiteral("%1Rの%2番の出走馬がありません").arg(r).arg(s))};
            }
            card.RunnerRecords[static_cast<size_t>(r)][static_cast<size_t>(s)].assign(runners.record(index));
            if (card.bracketOf(r, s) < 1)
                complete = false;
        }
        if (!TrimBlanks(Field(raceRecord, common::Year)).empty())
            ++card.RaceCount;
    }

    if (!complete)
        return {LoadStatus::Incomplete, QStringLiteral("データ作成が未完了です。")};

    if (QFileInfo(payoutPath).isFile()) {
        if (!ReadRecordFile(payoutPath, kPayoutRecordLength, kMaxRaces, payouts, result.message)) {
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

QStringList ListDataFiles(const QString &dataDir)
{
    const QString extension = QLatin1String(KindInfo(FileKind::Race).extension);
    QDir dir(dataDir);
    dir.setNameFilters({QLatin1Char('*') + extension});
    dir.setFilter(QDir::Files | QDir::CaseSensitive);
    QStringList names;
    for (const QString &file : dir.entryList())
        names.append(file.chopped(extension.size()));
    // Ordered as the system's own CP932 texts order, then latest first.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return ToSjis(a) > ToSjis(b); });
    return names;
}

} // namespace velmora
