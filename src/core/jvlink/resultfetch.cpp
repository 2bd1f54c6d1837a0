#include "core/jvlink/resultfetch.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
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

void ResultFetch::close()
{
    if (m_jvlink.JVClose() == 0)
        m_beep();
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
    if (opened == 0) {
        int size = 60000;
        std::string buffer;
        QString fileName;
        for (;;) {
            m_processEvents();
            if (m_importCancelled)
                break;
            const int result = m_jvlink.JVRead(buffer, size, fileName);
            if (result < -3)
                outcome.jvlinkError = JVErrorText("JVRead", result);
            if (result == 0 || result < -3)
                break;
            if (result < 0)
                continue;
            const std::string &record = buffer;
            const auto kind = KindOfRecordType(Field(record, common::RecordType));
            if (!kind || FieldValue(Field(record, common::RaceNumber)) <= 0)
                continue;
            if (*kind == FileKind::Runner && FieldValue(Field(record, se::HorseNumber)) <= 0)
                continue;
            const StoreResult stored = *kind == FileKind::Runner ? m_store.PutSlotRecord(record, *kind)
                                                                 : m_store.PutKeyedRecord(record, *kind);
            if (stored.status == StoreStatus::WriteFailed) {
                outcome.error =
                    QStringLiteral("データファイル「%1」に書き込めませんでした（%2）。").arg(stored.path, stored.error);
                break;
            }
            ++(stored.stored() ? outcome.stored : outcome.refused);
        }
    }
    close();
    m_processEvents();
    close();
    return outcome;
}

} // namespace velmora
