#include "core/jvlink/dataimport.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/codes/recordheader.h"
#include "core/jvlink/jvresultmessage.h"
#include "core/settings/settingsfile.h"
#include "core/store/courseday.h"
#include "core/text/sjis.h"

#include <numeric>

#include <QDir>
#include <QFileInfo>

namespace velmora {
namespace {

const QString kSection = QStringLiteral("JvDataGet");
const QString kLastTimeKey = QStringLiteral("LastTime");
const QString kLastTimeFormat = QStringLiteral("yyyy/MM/dd HH:mm:ss");
const QString kNoNewData = QStringLiteral("最新のRACEデータがありません。");
const QString kCancelled = QStringLiteral("JVCancel:キャンセルされました");
const QString kTryAgainLater = QStringLiteral("通信の状態を確かめて、時間をおいてからもう一度取り込んでください。");

// Files buffered by the store before they are written, whatever JV-Link's files hold.
constexpr size_t kMaxBufferedFiles = 48;

QString Message(const char *operation, int code)
{
    return FromSjis(JVResultMessage(operation, code));
}

QString AsText(std::string_view bytes)
{
    return FromSjis(bytes);
}

} // namespace

int ImportCounts::totalRefused() const
{
    return std::accumulate(refused.begin(), refused.end(), 0,
                           [](int sum, const auto &entry) { return sum + entry.second; });
}

int ImportCounts::totalUnwritten() const
{
    return std::accumulate(unwritten.begin(), unwritten.end(), 0);
}

QStringList ImportRecordLines(const ImportCounts &counts)
{
    QStringList lines;
    lines << QStringLiteral("保存したレコード: RA %1件, SE %2件, HR %3件")
                 .arg(counts.stored[static_cast<size_t>(FileKind::Race)])
                 .arg(counts.stored[static_cast<size_t>(FileKind::Runner)])
                 .arg(counts.stored[static_cast<size_t>(FileKind::Payout)]);
    if (counts.totalUnwritten() > 0)
        lines << QStringLiteral("書き込めなかったレコード: RA %1件, SE %2件, HR %3件")
                     .arg(counts.unwritten[static_cast<size_t>(FileKind::Race)])
                     .arg(counts.unwritten[static_cast<size_t>(FileKind::Runner)])
                     .arg(counts.unwritten[static_cast<size_t>(FileKind::Payout)]);
    lines << QStringLiteral("保存しなかったレコード: %1件").arg(counts.totalRefused());
    for (const auto &[reason, count] : counts.refused)
        lines << QStringLiteral("  %1: %2件").arg(reason).arg(count);
    if (counts.otherTypes > 0)
        lines << QStringLiteral("対象外のレコード種別: %1件").arg(counts.otherTypes);
    return lines;
}

QStringList ImportSummary(const ImportCounts &counts)
{
    QStringList lines{QStringLiteral("―― 取込結果 ――")};
    for (const bool created : {true, false}) {
        QStringList days;
        for (const auto &[name, isNew] : counts.courseDays) {
            if (isNew == created)
                days.append(QStringLiteral("  ") + name);
        }
        lines << (created ? QStringLiteral("作成した開催日: %1件") : QStringLiteral("更新した開催日: %1件"))
                     .arg(days.size())
              << days;
    }
    return lines + ImportRecordLines(counts);
}

DataImport::DataImport(JVLink &jvlink, RaceDayStore &store, SettingsFile &settings, ImportView &view,
                       bool &importCancelled)
    : m_jvlink(jvlink)
    , m_store(store)
    , m_settings(settings)
    , m_view(view)
    , m_importCancelled(importCancelled)
    , m_clock([] { return QDateTime::currentDateTime(); })
    , m_normalDataHint(QStringLiteral("「取得データ」の「通常データ」"))
{}

QDateTime DataImport::StoredFromDate(const SettingsFile &settings, const QDateTime &now)
{
    const QDateTime fallback = now.addDays(-8);
    const QString text = settings.ReadString(kSection, kLastTimeKey, fallback.toString(kLastTimeFormat));
    const QDateTime stored = QDateTime::fromString(text, kLastTimeFormat);
    // A damaged setting must not stop imports, nor one in the future (saved from a file
    // stamped wrong), which would find nothing newer for ever: the default serves instead.
    if (stored.isValid() && stored <= now)
        return stored;
    return QDateTime::fromString(fallback.toString(kLastTimeFormat), kLastTimeFormat);
}

QString DataImport::StartNotice(const QDateTime &from)
{
    return from.toString(QStringLiteral("yyyy'年'MM'月'dd'日'HH'時'mm'分'ss'秒'")) +
           QStringLiteral("以降のデータ取込を開始します。データ作成が終了するまで本ソフトを操作したり"
                          "他のアプリケーションを操作することは極力避けてください。");
}

void DataImport::start(const QDateTime &from, int option)
{
    if (m_running)
        return;
    m_running = true;
    m_outcome = Outcome::NotRun;
    m_downloading = false;
    m_importCancelled = false;
    m_counts = {};
    m_kept = {};
    m_writtenBefore = m_store.writtenRecords();
    m_storedLastTime.clear();
    m_lastTimeSaveFailed = false;
    m_closeFailed = false;
    m_view.setDownloadProgress(0, 100);
    m_view.setReadProgress(0, 100);
    m_view.clearCreated();

    const QString dataspec = QStringLiteral("RACE");
    const QString fromTime = from.toString(QStringLiteral("yyyyMMddHHmmss"));
    m_importFromDate = fromTime.left(8).toInt();
    m_view.setBusy(true);
    m_lastFileTimestamp.clear();
    m_readCount = 0;
    m_downloadCount = 0;
    const int result = m_jvlink.JVOpen(dataspec, fromTime, option, m_readCount, m_downloadCount, m_lastFileTimestamp);
    if (result == -1 || (result == 0 && m_readCount == 0)) {
        m_outcome = Outcome::NothingNew;
        QString detail = m_jvlink.lastErrorDetail();
        // Option 2 looks only at this week's meetings: whoever expected older data must
        // learn how to ask for it.
        if (detail.isEmpty() && option == 2)
            detail = QStringLiteral("今週開催データ（今週の開催分）だけを探しました。"
                                    "それより前の開催のデータは%1で取り込めます。")
                         .arg(m_normalDataHint);
        m_view.showMessage(WithDetail(kNoNewData, detail));
        close();
        return;
    }
    if (result != 0) {
        m_outcome = Outcome::Failed;
        m_view.showMessage(JVErrorText("JVOpen", result, m_jvlink.lastErrorDetail()));
        close();
        return;
    }

    m_view.setProgressText(QStringLiteral("JVOpen正常:") + Message("JVOpen", 0) + QStringLiteral("ReadCount:") +
                           QString::number(m_readCount) + QStringLiteral(", DownloadCount:") +
                           QString::number(m_downloadCount));
    if (m_downloadCount > 0) {
        m_view.setProgressText(QStringLiteral("ダウンロード中・・・"));
        m_view.setDownloadProgress(0, m_downloadCount);
        m_downloading = true;
        m_lastDownloaded = 0;
        m_downloadWatch = StallWatch(m_patience);
        return;
    }
    m_view.setDownloadProgress(100, 100);
    finish(readLoop());
}

void DataImport::poll()
{
    if (!m_downloading)
        return;
    const int downloaded = m_jvlink.JVStatus();
    if (downloaded < 0) {
        m_downloading = false;
        m_outcome = Outcome::Failed;
        m_view.showMessage(JVErrorText("JVStatus", downloaded));
        close();
        return;
    }
    if (downloaded != m_lastDownloaded) {
        m_lastDownloaded = downloaded;
        m_downloadWatch.progressed();
    } else if (m_downloadWatch.stalled()) {
        m_downloading = false;
        giveUp(
            QStringLiteral(
                "JV-Linkのダウンロードが%1進まないため、データ取込を中止しました（ダウンロード済み %2/%3 ファイル）。")
                .arg(m_downloadWatch.limitText())
                .arg(downloaded)
                .arg(m_downloadCount) +
            kTryAgainLater);
        close();
        return;
    }
    if (downloaded > m_downloadCount)
        return;
    m_view.setProgressText(QStringLiteral("ダウンロード中．．．(%1/%2)").arg(downloaded).arg(m_downloadCount));
    m_view.setDownloadProgress(downloaded, m_downloadCount);
    if (downloaded == m_downloadCount) {
        m_downloading = false;
        finish(readLoop());
    }
}

void DataImport::cancel()
{
    if (!m_running)
        return;
    const bool wasDownloading = m_downloading;
    m_downloading = false;
    m_jvlink.JVCancel();
    m_importCancelled = true;
    m_outcome = Outcome::Cancelled;
    m_view.showMessage(kCancelled);
    m_view.setProgressText(kCancelled);
    // A cancelled download must close JV-Link too, or the next open fails as "still open".
    // A running read loop stops at its next pass and closes itself.
    if (wasDownloading)
        close();
}

void DataImport::giveUp(const QString &message)
{
    // JV-Link may still be downloading: stop it before it is closed.
    m_jvlink.JVCancel();
    m_outcome = Outcome::Failed;
    m_view.showMessage(message);
}

void DataImport::finish(Outcome end)
{
    m_outcome = end;
    close();
    // Only a complete read moves LastTime on: after a cancel or an error the files not
    // yet read must come again with the next import.
    if (end == Outcome::Completed)
        storeLastTime();
}

void DataImport::storeLastTime()
{
    const QString stamp = m_lastFileTimestamp.trimmed();
    if (stamp.isEmpty() || stamp == QStringLiteral("00000000000000") || stamp.size() != 14)
        return;
    QDateTime time = QDateTime::fromString(stamp, QStringLiteral("yyyyMMddHHmmss"));
    if (!time.isValid())
        return;
    // A file stamped in the future (or a clock set wrong where it was made) would put
    // LastTime past every file still to come, and no later import would find them.
    const QDateTime now = QDateTime::fromSecsSinceEpoch(m_clock().toSecsSinceEpoch());
    if (time > now) {
        m_view.showMessage(QStringLiteral("最新データのタイムスタンプ（%1）が現在時刻より後のため範囲外です。"
                                          "LastTimeは現在時刻（%2）にしました。")
                               .arg(time.toString(kLastTimeFormat), now.toString(kLastTimeFormat)));
        time = now;
    }
    const QString text = time.toString(kLastTimeFormat);
    m_view.setFromDate(time);
    if (m_settings.WriteString(kSection, kLastTimeKey, text)) {
        m_storedLastTime = text;
        return;
    }
    m_lastTimeSaveFailed = true;
    m_view.showMessage(QStringLiteral("設定ファイル「%1」にLastTimeを保存できませんでした（%2）。"
                                      "取り込んだデータはそのまま残っています。")
                           .arg(QDir::toNativeSeparators(m_settings.path()), m_settings.errorString()));
}

void DataImport::close()
{
    const int result = m_jvlink.JVClose();
    m_view.setBusy(false);
    m_closeFailed = result != 0;
    if (m_closeFailed)
        m_view.showMessage(JVErrorText("JVClose", result));
    else
        m_view.beep();
    m_running = false;
}

DataImport::Outcome DataImport::readLoop()
{
    int filesRead = 0;
    m_view.setProgressText(QStringLiteral("データ読込み中．．．(0/%1)").arg(m_readCount));
    m_view.setReadProgress(0, m_readCount);
    int size = 60000;
    std::string record;
    QString fileName;
    Outcome end = Outcome::Failed;
    bool writeFailed = false;
    StallWatch watch(m_patience);
    m_store.setBuffered(true);
    for (;;) {
        m_view.processEvents();
        if (m_importCancelled) {
            end = Outcome::Cancelled;
            break;
        }
        const int result = m_jvlink.JVRead(record, size, fileName);
        if (result > 0) {
            watch.progressed();
            if (!storeRecord(record) || (m_store.pendingFiles() > kMaxBufferedFiles && !flushStore())) {
                writeFailed = true;
                break;
            }
            continue;
        }
        if (result == kJVReadNextFile) {
            // JV-Link switches once after each of the files it announced; one more would
            // never end.
            if (filesRead >= m_readCount) {
                m_view.showMessage(
                    QStringLiteral("JVReadエラー:読み込むファイル数（%1）を超えてファイルが切り替わりました。(%2)")
                        .arg(m_readCount)
                        .arg(result));
                break;
            }
            if (!flushStore()) {
                writeFailed = true;
                break;
            }
            ++filesRead;
            m_view.setReadProgress(filesRead, m_readCount);
            m_view.setProgressText(QStringLiteral("データ読込み中．．．(%1/%2)").arg(filesRead).arg(m_readCount));
        } else if (result == 0) {
            m_view.setProgressText(QStringLiteral("データ読込み完了(%1/%2)").arg(filesRead).arg(m_readCount));
            // Both bars end full: a finished import that showed 0 % read as one that did nothing.
            const int downloads = m_downloadCount > 0 ? m_downloadCount : 100;
            m_view.setDownloadProgress(downloads, downloads);
            m_view.setReadProgress(m_readCount, m_readCount);
            m_view.beep();
            end = Outcome::Completed;
            break;
        } else if (result != kJVReadStillDownloading) {
            m_view.showMessage(JVErrorText("JVRead", result, m_jvlink.lastErrorDetail()));
            break;
        }
        if (watch.stalled()) {
            giveUp(QStringLiteral("JV-Linkの応答が%1進まないため、データ取込を中止しました（JVRead:%2）。")
                       .arg(watch.limitText(), Message("JVRead", result)) +
                   kTryAgainLater);
            break;
        }
        // The file is still being downloaded: asking again at once would only keep a core busy.
        if (result == kJVReadStillDownloading)
            watch.pause();
    }
    // Whatever ended the loop, every record read so far reaches its file. A write that
    // already failed has been reported; the same file would fail again.
    if (!writeFailed && !flushStore())
        end = Outcome::Failed;
    m_store.setBuffered(false);
    countWritten();
    return end;
}

void DataImport::countWritten()
{
    const std::array<int, 3> &written = m_store.writtenRecords();
    for (size_t kind = 0; kind < written.size(); ++kind) {
        m_counts.stored[kind] = written[kind] - m_writtenBefore[kind];
        m_counts.unwritten[kind] = m_kept[kind] - m_counts.stored[kind];
    }
}

bool DataImport::flushStore()
{
    const StoreResult result = m_store.flush();
    if (result.stored())
        return true;
    reportWriteFailure(result);
    return false;
}

void DataImport::reportWriteFailure(const StoreResult &result)
{
    m_view.showMessage(QStringLiteral("データファイル「%1」に書き込めませんでした（%2）。取込を中止します。")
                           .arg(result.path, result.error));
}

void DataImport::refuse(const QString &reason)
{
    ++m_counts.refused[reason];
}

bool DataImport::storeRecord(const std::string &record)
{
    const RecordHeader header = ReadRecordHeader(record);
    const auto kind = KindOfRecordType(header.type);
    if (!kind) {
        ++m_counts.otherTypes;
        return true;
    }
    if (*kind != FileKind::Payout && header.isLocalOrOverseas()) {
        refuse(QStringLiteral("地方・海外競馬のデータ"));
        return true;
    }
    if (header.meetingDateNumber() < m_importFromDate - 10) {
        refuse(QStringLiteral("取得開始日付より前の開催"));
        return true;
    }
    switch (CheckReceivedRecord(record, header, *kind == FileKind::Runner)) {
    case ReceivedRecordProblem::None:
        break;
    case ReceivedRecordProblem::NoRaceNumber:
        refuse(QStringLiteral("レース番号なし"));
        return true;
    case ReceivedRecordProblem::NoHorseNumber:
        refuse(QStringLiteral("馬番なし"));
        return true;
    case ReceivedRecordProblem::NotSjis:
        refuse(NotSjisReason());
        return true;
    }

    const StoreResult result = m_store.PutSlotRecord(record, *kind);
    if (result.status == StoreStatus::WriteFailed) {
        reportWriteFailure(result);
        return false;
    }
    if (!result.stored()) {
        refuse(StoreStatusText(result.status));
        return true;
    }
    ++m_kept[static_cast<size_t>(*kind)];
    // The store holds the import's files until they are flushed, so at a day's first
    // record its race-day file on disk is the one from before the import.
    const CourseDay courseDay = CourseDay::OfRecord(record);
    if (!m_counts.courseDays.contains(courseDay.fileBase()))
        m_counts.courseDays[courseDay.fileBase()] =
            !QFileInfo::exists(courseDay.filePath(m_store.dataDir(), FileKind::Race));
    if (!m_view.showsCreated())
        return true;
    QString line = QStringLiteral("作成済み:") + AsText(Field(record, common::RaceNumber)) + QStringLiteral("R/");
    if (*kind == FileKind::Runner)
        line += AsText(Field(record, se::HorseNumber)) + QStringLiteral("番/");
    line += AsText(RaceDayFileName(record, KindInfo(*kind).extension));
    m_view.addCreated(line);
    return true;
}

} // namespace velmora
