#include "core/jvlink/resultfetch.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/codes/recordheader.h"
#include "core/jvlink/jvresultmessage.h"
#include "core/text/sjis.h"

namespace velmora {

QString ResultFetchNews(const RaceCard &before, const RaceCard &after)
{
    int results = 0;
    int payouts = 0;
    for (int r = 1; r <= kMaxRaces; ++r) {
        const auto slot = static_cast<size_t>(r);
        bool placed = false;
        for (int h = 1; h <= kMaxRunners; ++h)
            placed = placed || FieldValue(Field(after.RunnerRecords[slot][static_cast<size_t>(h)], se::Finish)) > 0;
        if (placed && (before.RaceRecords[slot] != after.RaceRecords[slot] ||
                       before.RunnerRecords[slot] != after.RunnerRecords[slot]))
            ++results;
        if (before.PayoutRecords[slot] != after.PayoutRecords[slot] &&
            FieldValue(Field(after.PayoutRecords[slot], common::RaceNumber)) > 0)
            ++payouts;
    }
    if (results == 0 && payouts == 0)
        return QStringLiteral("結果情報：新しい結果はありませんでした。");
    return QStringLiteral("結果情報：成績 %1レース、払戻 %2レースを取り込みました。").arg(results).arg(payouts);
}

ResultFetch::ResultFetch(JVLink &jvlink, RaceDayStore &store, bool &importCancelled,
                         std::function<void()> processEvents, std::function<void()> beep)
    : m_jvlink(jvlink)
    , m_store(store)
    , m_importCancelled(importCancelled)
    , m_processEvents(std::move(processEvents))
    , m_beep(std::move(beep))
{}

void ResultFetch::close(Outcome &outcome)
{
    const int result = m_jvlink.JVClose();
    if (result == 0)
        m_beep();
    else if (outcome.closeError.isEmpty())
        outcome.closeError = JVErrorText("JVClose", result);
}

ResultFetch::Outcome ResultFetch::run(const RaceCard &card)
{
    Outcome outcome;
    const std::string_view key = Field(card.RaceRecords[1], common::MeetingDate);
    if (FieldValue(key) <= 0)
        return outcome;
    outcome.fetched = true;
    m_processEvents();
    // A cancel belongs to the import it stopped; left set, it would end every later
    // fetch before its first record.
    m_importCancelled = false;

    const int opened = m_jvlink.JVRTOpen(QStringLiteral("0B12"), FromSjis(key));
    if (opened < -1)
        outcome.jvlinkError = JVErrorText("JVRTOpen", opened, m_jvlink.lastErrorDetail());
    if (opened == 0)
        readLoop(outcome);
    close(outcome);
    m_processEvents();
    close(outcome);
    return outcome;
}

void ResultFetch::readLoop(Outcome &outcome)
{
    int size = 60000;
    std::string record;
    QString fileName;
    StallWatch watch(m_patience);
    bool afterRecord = false;
    for (;;) {
        m_processEvents();
        if (m_importCancelled)
            return;
        const int result = m_jvlink.JVRead(record, size, fileName);
        if (result > 0) {
            watch.progressed();
            afterRecord = true;
            store(record, outcome);
            if (!outcome.error.isEmpty())
                return;
            continue;
        }
        if (result == 0)
            return;
        if (result != kJVReadNextFile && result != kJVReadStillDownloading) {
            outcome.jvlinkError = JVErrorText("JVRead", result, m_jvlink.lastErrorDetail());
            return;
        }
        if (watch.stalled()) {
            outcome.jvlinkError =
                QStringLiteral("JV-Linkの応答が%1進まないため、結果情報の取得を中止しました（JVRead:%2）。"
                               "通信の状態を確かめて、時間をおいてからもう一度取得してください。")
                    .arg(watch.limitText(), FromSjis(JVResultMessage("JVRead", result)));
            return;
        }
        // The switch after a file's last record is asked past at once; a download still
        // running, or switch after switch with no record between, is waited out.
        if (result == kJVReadStillDownloading || !afterRecord)
            watch.pause();
        afterRecord = false;
    }
}

void ResultFetch::store(const std::string &record, Outcome &outcome)
{
    const RecordHeader header = ReadRecordHeader(record);
    const auto kind = KindOfRecordType(header.type);
    if (!kind)
        return;
    switch (CheckReceivedRecord(record, header, *kind == FileKind::Runner)) {
    case ReceivedRecordProblem::None:
        break;
    case ReceivedRecordProblem::NoRaceNumber:
    case ReceivedRecordProblem::NoHorseNumber:
        // A record that names no slot has no line to go to.
        return;
    case ReceivedRecordProblem::NotSjis:
        ++outcome.refused[NotSjisReason()];
        return;
    }
    const StoreResult stored =
        *kind == FileKind::Runner ? m_store.PutSlotRecord(record, *kind) : m_store.PutKeyedRecord(record, *kind);
    if (stored.status == StoreStatus::WriteFailed)
        outcome.error =
            QStringLiteral("データファイル「%1」に書き込めませんでした（%2）。").arg(stored.path, stored.error);
    else if (stored.stored())
        ++outcome.stored;
    else
        ++outcome.refused[StoreStatusText(stored.status)];
}

QString ResultFetchRefusals(const ResultFetch::Outcome &outcome)
{
    if (outcome.refused.empty())
        return {};
    int total = 0;
    QStringList reasons;
    for (const auto &[reason, count] : outcome.refused) {
        total += count;
        reasons << QStringLiteral("%1 %2件").arg(reason).arg(count);
    }
    return QStringLiteral("保存しなかったレコード: %1件（%2）").arg(total).arg(reasons.join(QStringLiteral("、")));
}

} // namespace velmora
