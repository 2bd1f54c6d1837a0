#include "core/store/racedayfiles.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/codes/recordheader.h"
#include "core/store/atomicfile.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"

#include <algorithm>
#include <array>

#include <QDir>
#include <QFileInfo>

namespace velmora {
namespace {

constexpr int kRaceSlots = 12;
constexpr int kHorseSlots = 18;
const std::string_view kCrLf = "\r\n";

bool IsBlankLine(std::string_view line)
{
    return TrimBlanks(line).empty();
}

/** The 0-based line of a record's slot: by race number, and for a runner by horse number too. */
int SlotIndexOf(const RecordHeader &header, FileKind kind)
{
    if (kind == FileKind::Runner)
        return (header.raceNumber - 1) * kHorseSlots + header.horseNumber - 1;
    return header.raceNumber - 1;
}

/** Reads a file's lines; a missing file is no error (exists is false). */
bool ReadLines(const QString &path, std::vector<std::string> &lines, bool &exists, QString &error)
{
    QByteArray bytes;
    const ReadStatus status = ReadRegularFile(path, kMaxCourseDayFileSize, bytes, &error);
    exists = status != ReadStatus::Missing;
    lines.clear();
    if (status == ReadStatus::Missing)
        return true;
    if (status != ReadStatus::Ok)
        return false;
    lines = SplitLines(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    return true;
}

/** Replaces the file with the lines, each followed by CR LF, or leaves it untouched on failure. */
bool WriteLines(const QString &path, const std::vector<std::string> &lines, QString &error)
{
    std::string bytes;
    size_t total = 0;
    for (const std::string &line : lines)
        total += line.size() + 2;
    bytes.reserve(total);
    for (const std::string &line : lines) {
        bytes += line;
        bytes += kCrLf;
    }
    return WriteFileAtomically(path, bytes, &error);
}

/**
 * Lays race-day lines out by race number: line k holds the record of race k, blank
 * slots stand for races not received. The file keeps at least its former number of
 * lines. Lines that cannot be placed (no race number, or a second record for a slot)
 * follow the slots, so nothing is dropped.
 */
std::vector<std::string> AlignRaceSlots(const std::vector<std::string> &lines, size_t oldLineCount, int width,
                                        const std::string &preferred)
{
    std::array<const std::string *, kRaceSlots> slots{};
    std::vector<const std::string *> unplaced;
    int highest = 0;
    auto place = [&](const std::string &line) {
        const int race = ReadRecordHeader(line).raceNumber;
        if (race < 1 || race > kRaceSlots || slots[static_cast<size_t>(race - 1)]) {
            unplaced.push_back(&line);
            return;
        }
        slots[static_cast<size_t>(race - 1)] = &line;
        highest = std::max(highest, race);
    };
    place(preferred);
    for (const std::string &line : lines) {
        if (&line != &preferred && !IsBlankLine(line))
            place(line);
    }
    const size_t count = std::max(oldLineCount, static_cast<size_t>(highest) + unplaced.size());
    std::vector<std::string> out;
    out.reserve(count);
    for (int slot = 0; slot < highest; ++slot) {
        const std::string *line = slots[static_cast<size_t>(slot)];
        out.push_back(line ? *line : std::string(static_cast<size_t>(width), ' '));
    }
    for (const std::string *line : unplaced)
        out.push_back(*line);
    while (out.size() < count)
        out.emplace(out.begin() + highest, static_cast<size_t>(width), ' ');
    return out;
}

/**
 * Gives `lines` the order a stable sort by LessIgnoringAsciiCase gives them, where only
 * lines[at] has changed. When the other lines are in that order already (as every file
 * a keyed update wrote is), the changed line moves to its place: after the lines less
 * than it and, among the lines equal to it, where it stood. Otherwise all are sorted.
 * A day's results thus cost one pass over the file per record, not a sort.
 */
void PlaceInOrder(std::vector<std::string> &lines, size_t at)
{
    const auto less = [](const std::string &a, const std::string &b) { return LessIgnoringAsciiCase(a, b); };
    const std::string *previous = nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == at)
            continue;
        if (previous && less(lines[i], *previous)) {
            std::stable_sort(lines.begin(), lines.end(), less);
            return;
        }
        previous = &lines[i];
    }
    std::string placed = std::move(lines[at]);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
    const auto lower = std::lower_bound(lines.begin(), lines.end(), placed, less);
    const auto upper = std::upper_bound(lower, lines.end(), placed, less);
    const auto from = static_cast<size_t>(lower - lines.begin());
    const auto to = static_cast<size_t>(upper - lines.begin());
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(std::clamp(at, from, to)), std::move(placed));
}

} // namespace

const FileKindInfo &KindInfo(FileKind kind)
{
    static const std::array<FileKindInfo, 3> kinds = {{
        {".jvRA", "RA", kRaceRecordLength, kRaceRecordLength - 2, kRaceSlots},
        {".jvSEr", "SE", kRunnerRecordLength, kRunnerRecordLength - 2, kRaceSlots * kHorseSlots},
        {".jvHR", "HR", kPayoutRecordLength, kPayoutRecordLength - 2, kRaceSlots},
    }};
    return kinds[static_cast<size_t>(kind)];
}

std::optional<FileKind> KindOfRecordType(std::string_view type)
{
    for (FileKind kind : {FileKind::Race, FileKind::Runner, FileKind::Payout}) {
        if (type == KindInfo(kind).recordType)
            return kind;
    }
    return std::nullopt;
}

std::string RaceDayFileName(std::string_view record, std::string_view extension)
{
    std::string name;
    name += Field(record, common::Year);
    name += Sj("年");
    name += Field(record, common::Month);
    name += Sj("月");
    name += Field(record, common::Day);
    name += Sj("日");
    name += CourseName(Field(record, common::Course), 2);
    name += extension;
    return name;
}

QString StoreStatusText(StoreStatus status)
{
    switch (status) {
    case StoreStatus::Stored:
        return QStringLiteral("保存しました");
    case StoreStatus::WrongLength:
        return QStringLiteral("レコード長が不正");
    case StoreStatus::WrongType:
        return QStringLiteral("レコード種別が不正");
    case StoreStatus::BadDate:
        return QStringLiteral("開催年月日が不正");
    case StoreStatus::BadCourse:
        return QStringLiteral("競馬場コードが不正");
    case StoreStatus::NoCourseName:
        return QStringLiteral("競馬場名のない競馬場コード");
    case StoreStatus::BadRaceNumber:
        return QStringLiteral("レース番号が範囲外");
    case StoreStatus::BadHorseNumber:
        return QStringLiteral("馬番が範囲外");
    case StoreStatus::NewerStored:
        return QStringLiteral("より新しいデータが保存済み");
    case StoreStatus::WriteFailed:
        return QStringLiteral("ファイルに書き込めません");
    }
    return {};
}

StoreStatus CheckRecord(std::string_view record, FileKind kind)
{
    return CheckRecord(record, ReadRecordHeader(record), kind);
}

StoreStatus CheckRecord(std::string_view record, const RecordHeader &header, FileKind kind)
{
    const FileKindInfo &info = KindInfo(kind);
    // A CR or LF inside would split the record's line: each is looked for in one pass.
    const std::string_view content = record.substr(0, record.size() - 2);
    if (static_cast<int>(record.size()) != info.recordLength || !record.ends_with(kCrLf) ||
        content.find('\r') != std::string_view::npos || content.find('\n') != std::string_view::npos)
        return StoreStatus::WrongLength;
    if (header.type != info.recordType)
        return StoreStatus::WrongType;
    if (!header.hasMeetingDate())
        return StoreStatus::BadDate;
    const std::string_view course = header.course;
    if (!std::all_of(course.begin(), course.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }))
        return StoreStatus::BadCourse;
    if (TrimBlanks(CourseName(course, 2)).empty())
        return StoreStatus::NoCourseName;
    if (header.raceNumber < 1 || header.raceNumber > kRaceSlots)
        return StoreStatus::BadRaceNumber;
    if (kind == FileKind::Runner && (header.horseNumber < 1 || header.horseNumber > kHorseSlots))
        return StoreStatus::BadHorseNumber;
    return StoreStatus::Stored;
}

std::vector<std::string> SplitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos)
            end = bytes.size();
        size_t lineEnd = end;
        if (lineEnd > start && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        lines.emplace_back(bytes.substr(start, lineEnd - start));
        start = next;
    }
    return lines;
}

RaceDayStore::RaceDayStore(QString dataDir)
    : m_dataDir(std::move(dataDir))
{}

QString RaceDayStore::filePath(std::string_view record, FileKind kind) const
{
    return m_dataDir + QLatin1Char('/') + FromSjis(RaceDayFileName(record, KindInfo(kind).extension));
}

StoreResult RaceDayStore::PutSlotRecord(std::string_view record, FileKind kind)
{
    return update(record, kind, false);
}

StoreResult RaceDayStore::PutKeyedRecord(std::string_view record, FileKind kind)
{
    return update(record, kind, true);
}

StoreResult RaceDayStore::update(std::string_view record, FileKind kind, bool keyed)
{
    StoreResult result;
    const RecordHeader header = ReadRecordHeader(record);
    result.status = CheckRecord(record, header, kind);
    if (!result.stored())
        return result;
    const FileKindInfo &info = KindInfo(kind);
    const auto width = static_cast<size_t>(info.lineWidth);
    result.path = filePath(record, kind);

    FileLines unbuffered;
    FileLines *file = &unbuffered;
    bool mustRead = true;
    if (m_buffered) {
        const auto [entry, inserted] = m_files.try_emplace(result.path);
        file = &entry->second;
        mustRead = inserted;
    }
    if (mustRead && !ReadLines(result.path, file->lines, file->exists, result.error)) {
        m_files.erase(result.path);
        result.status = StoreStatus::WriteFailed;
        return result;
    }
    std::vector<std::string> &lines = file->lines;

    if (!keyed) {
        const auto slot = static_cast<size_t>(SlotIndexOf(header, kind));
        if (slot < lines.size()) {
            const int stored = ReadRecordHeader(lines[slot]).createdDate;
            const int incoming = header.createdDate;
            if (stored != 0 && incoming != 0 && stored > incoming) {
                result.status = StoreStatus::NewerStored;
                return result;
            }
        }
        const size_t wanted = std::max(slot + 1, static_cast<size_t>(info.slotLines));
        while (lines.size() < wanted)
            lines.emplace_back(width, ' ');
        lines[slot].assign(record.substr(0, width));
    } else {
        const std::string line = OverwriteAt(record.substr(0, width), "000000000", common::KindAndCreated.pos);
        const std::string_view key = header.raceKey;
        const size_t oldCount = lines.size();
        auto match = std::find_if(lines.begin(), lines.end(),
                                  [&](const std::string &old) { return Field(old, common::RaceKey) == key; });
        if (match == lines.end() && kind != FileKind::Race)
            match = std::find_if(lines.begin(), lines.end(), [](const std::string &old) { return IsBlankLine(old); });
        const auto at = static_cast<size_t>(match - lines.begin());
        if (at < lines.size())
            lines[at] = line;
        else
            lines.push_back(line);
        if (kind == FileKind::Race) {
            // The first line equal to the record is the one kept in its slot.
            const auto placed = std::find(lines.begin(), lines.end(), line);
            lines = AlignRaceSlots(lines, oldCount, info.lineWidth, *placed);
        } else {
            PlaceInOrder(lines, at);
        }
    }

    file->changed = true;
    ++file->pending[static_cast<size_t>(kind)];
    if (!m_buffered && !write(result.path, *file, result.error))
        result.status = StoreStatus::WriteFailed;
    return result;
}

bool RaceDayStore::write(const QString &path, FileLines &file, QString &error)
{
    if (!QDir().mkpath(m_dataDir)) {
        error = QStringLiteral("フォルダ「%1」を作成できません").arg(m_dataDir);
        return false;
    }
    if (!WriteLines(path, file.lines, error))
        return false;
    file.exists = true;
    file.changed = false;
    for (size_t kind = 0; kind < m_written.size(); ++kind)
        m_written[kind] += file.pending[kind];
    file.pending = {};
    return true;
}

void RaceDayStore::setBuffered(bool buffered)
{
    if (!buffered)
        flush();
    m_buffered = buffered;
}

StoreResult RaceDayStore::flush()
{
    // Every file that can be written is written; the first failure is reported and the
    // files that failed stay in memory for the next flush.
    StoreResult first;
    for (auto entry = m_files.begin(); entry != m_files.end();) {
        StoreResult result;
        if (entry->second.changed && !write(entry->first, entry->second, result.error)) {
            if (first.stored()) {
                first.status = StoreStatus::WriteFailed;
                first.path = entry->first;
                first.error = result.error;
            }
            ++entry;
        } else {
            entry = m_files.erase(entry);
        }
    }
    return first;
}

RaceDayStore::~RaceDayStore()
{
    flush();
}

} // namespace velmora
