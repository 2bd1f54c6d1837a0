#include "core/report/hitexport.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/codes/racetitle.h"
#include "core/report/payouts.h"
#include "core/report/session.h"
#include "core/store/atomicfile.h"
#include "core/store/racedayfiles.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"

#include <array>
#include <set>

#include <QDir>
#include <QFile>

namespace velmora {
namespace {

/** One bet kind as the export examines it. */
struct BetKind
{
    const char *label; ///< 13 bytes in CP932
    const hr::PayoutTable *payouts;
    bool quinellaBets;     ///< compared with the quinella bets, else with the bracket bets
    int hitThreshold;      ///< a hit must pay more than this ("的中")
    int longshotThreshold; ///< … or more than this ("穴的中")
    int redFrom;           ///< payouts from this amount are red
};

// Examined in this order for every race.
const std::array<BetKind, 3> kBetKinds = {{
    {"R[馬連　]：　", &hr::Quinella, true, 0, 5000, 10000},
    {"R[ワイド]：　", &hr::Wide, true, 0, 3000, 5000},
    {"R[枠連　]：　", &hr::BracketQuinella, false, 0, 3000, 5000},
}};

const char *const kHeading =
    "<br /><img src=\"./image/balist.gif\"><font color=\"black\">【Velmora for JRA-VAN Data Lab.】</font>";
const char *const kArchiveFirstLine = " Velmora for JRA-VAN Data Lab.";

/** A list kept in LessIgnoringAsciiCase order; a line equal to one present under that order is not added. */
class SortedLines
{
  public:
    void add(std::string line) { m_lines.insert(std::move(line)); }
    std::vector<std::string> lines() const { return {m_lines.begin(), m_lines.end()}; }

  private:
    struct Less
    {
        bool operator()(const std::string &a, const std::string &b) const { return LessIgnoringAsciiCase(a, b); }
    };
    std::set<std::string, Less> m_lines;
};

/** Record bytes made safe as HTML text: &, < and > as entities. CP932 trail bytes are never these. */
std::string EscapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Joined(const std::vector<std::string> &lines)
{
    std::string bytes;
    for (const std::string &line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

/** Whether the record's date and course can name a file: eight digits and two letters or digits. */
bool NamesAFile(std::string_view dateAndCourse)
{
    if (dateAndCourse.size() != 10)
        return false;
    for (size_t i = 0; i < dateAndCourse.size(); ++i) {
        const char c = dateAndCourse[i];
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!(digit || (i >= 8 && letter)))
            return false;
    }
    return true;
}

/** Adds the lines of every paid bet of one kind of race r above the threshold. */
void ExamineKind(const Session &session, int r, const BetKind &kind, HitThreshold threshold, SortedLines &exportLines,
                 SortedLines &archiveLines)
{
    const auto slot = static_cast<size_t>(r);
    const std::string &race = session.card.RaceRecords[slot];
    const std::string &payout = session.card.PayoutRecords[slot];
    const RacePrediction &predicted = session.prediction.races[r];
    const auto &bets = kind.quinellaBets ? predicted.quinellaBets : predicted.bracketBets;
    const int hitThreshold = threshold == HitThreshold::Hit ? kind.hitThreshold : kind.longshotThreshold;
    const std::string prefix = Sj("　") + EscapeHtml(RaceShortNameOf(race));
    const std::string &label = Sj(kind.label);

    for (const Bet &bet : bets) {
        // A void bet stands for no bet at all.
        if (bet.isVoid())
            continue;
        const PayoutTableEntries table = ReadPayoutTable(payout, *kind.payouts);
        for (int i = 0; i < table.count; ++i) {
            const PayoutEntry &read = table.entries[static_cast<size_t>(i)];
            if (read.combination != bet)
                continue;
            const int paid = read.yen;
            if (paid <= hitThreshold)
                continue;
            const bool red = paid >= kind.redFrom;
            const std::string betText = label + Format("%2d-", bet.low) + Format("%2d", bet.high) + Sj("/配当 ") +
                                        Format("%7d", paid) + Sj("円");
            exportLines.add(std::string(red ? "<img src=\"./image/lis1.gif\">" : "<img src=\"./image/lis2.gif\">") +
                            (red ? "<font color=\"red\">" : "<font color=\"blue\">") +
                            EscapeHtml(CourseName(Field(race, ra::Course), 2)) +
                            EscapeHtml(FormatNumberField(Field(race, ra::RaceNumber))) + betText + prefix + "</font>");
            archiveLines.add(std::string(Field(race, ra::Year)) + std::string(Field(race, ra::MonthDay)) +
                             std::string(Field(race, ra::Course)) + std::string(Field(race, ra::RaceNumber)) + betText);
        }
    }
}

/** Loads the archive file into `lines` (sorted, duplicates dropped); a missing file starts a new archive. */
bool LoadArchive(const QString &path, SortedLines &lines, QString &error)
{
    QByteArray bytes;
    QString reason;
    switch (ReadRegularFile(path, kMaxCourseDayFileSize, bytes, &reason)) {
    case ReadStatus::Missing:
        lines.add(kArchiveFirstLine);
        return true;
    case ReadStatus::Ok:
        break;
    default:
        error =
            QStringLiteral("ファイル「%1」を読み込めませんでした。\n%2").arg(QDir::toNativeSeparators(path), reason);
        return false;
    }
    for (std::string &line : SplitLines(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))))
        lines.add(std::move(line));
    return true;
}

bool WriteLines(const QString &path, const std::vector<std::string> &lines, QString &error)
{
    QString reason;
    if (WriteFileAtomically(path, Joined(lines), &reason))
        return true;
    error = QStringLiteral("ファイル「%1」を保存できませんでした。\n%2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

} // namespace

QString HitExportResult::clipboardText() const
{
    return FromSjis(Joined(lines));
}

HitExportResult ExportHits(const QString &dataDir, const QString &appFolder, const std::vector<CourseDay> &courseDays,
                           QDate date, HitThreshold threshold)
{
    HitExportResult result;
    const QString folder = appFolder + QStringLiteral("/HPupload");
    result.archivePath = folder + QStringLiteral("/Manbaken.txt");

    SortedLines exportLines;
    SortedLines archiveLines;
    if (!LoadArchive(result.archivePath, archiveLines, result.error))
        return result;

    // Date, month and day and course of race 1 of the last course-day that contributed.
    std::string fileKey;
    Session session;
    for (const CourseDay &day : courseDays) {
        if (!date.isValid() || day.date() != date)
            continue;
        result.lastCourseDay = day;
        // A day that cannot be computed has no bets of its own: it adds nothing, rather
        // than the bets left from the day before.
        const LoadResult load = LoadIntoSession(session, dataDir, day);
        if (!load.computable()) {
            result.skipped.push_back({day.fileBase(), load.reason(session.card)});
            continue;
        }
        ++result.computed;
        for (int r = 1; r <= session.card.RaceCount; ++r) {
            for (const BetKind &kind : kBetKinds)
                ExamineKind(session, r, kind, threshold, exportLines, archiveLines);
        }
        const std::string &first = session.card.RaceRecords[1];
        fileKey = std::string(Field(first, ra::Year)) + std::string(Field(first, ra::MonthDay)) +
                  std::string(Field(first, ra::Course));
    }

    result.lines = exportLines.lines();
    result.lines.insert(result.lines.begin(), Sj(kHeading));
    if (result.lines.size() <= 2)
        return result;

    if (!NamesAFile(fileKey)) {
        result.error =
            QStringLiteral("レースの日付と競馬場コード「%1」からファイル名を作れません。").arg(FromSjis(fileKey));
        return result;
    }
    result.exportPath = folder + QStringLiteral("/TK") +
                        QString::fromLatin1(fileKey.data(), static_cast<qsizetype>(fileKey.size())) +
                        QStringLiteral(".txt");
    if (!QDir().mkpath(folder)) {
        result.error = QStringLiteral("フォルダ「%1」を作成できませんでした。").arg(QDir::toNativeSeparators(folder));
        return result;
    }
    if (!WriteLines(result.exportPath, result.lines, result.error) ||
        !WriteLines(result.archivePath, archiveLines.lines(), result.error))
        return result;
    result.written = true;
    return result;
}

} // namespace velmora
