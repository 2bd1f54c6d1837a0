// velmora-gen: writes synthetic JV-Data, as course-day files or as a record file.

#include "gen/jvdatagen.h"

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

namespace {

using velmora::gen::CourseDay;
using velmora::gen::CourseDayOptions;
using velmora::gen::Generator;

// The bundled sample is the weekend of 2026-11-28; its seed is fixed so that the
// sample can be made again byte for byte.
constexpr std::uint64_t kSampleSeed = 20261128;
const QDate kSampleSaturday(2026, 11, 28);

const char *const kUsage =
    "使い方: velmora-gen course-day --data DIR --date yyyymmdd --course CC [--races N] [--seed S] [--no-results]\n"
    "        velmora-gen sample --out DIR [--seed S] [--weeks N]\n"
    "        velmora-gen records --out FILE --date yyyymmdd --course CC [--races N] [--seed S] [--no-results]\n";

void Print(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

void PrintError(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fputc('\n', stderr);
}

int BadArguments(const QString &reason)
{
    PrintError(QStringLiteral("velmora-gen: ") + reason);
    std::fputs(kUsage, stderr);
    return 1;
}

/** The options of one command line: --name value pairs and the --no-results flag. */
struct Arguments
{
    std::map<QString, QString> values;
    bool noResults = false;
};

std::optional<Arguments> ParseOptions(const QStringList &args, const std::set<QString> &allowed, QString *error)
{
    Arguments parsed;
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (!allowed.contains(arg)) {
            *error = QStringLiteral("使えないオプションです: ") + arg;
            return std::nullopt;
        }
        if (arg == QLatin1String("--no-results")) {
            parsed.noResults = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("値がありません: ") + arg;
            return std::nullopt;
        }
        parsed.values[arg] = args.at(++i);
    }
    return parsed;
}

/** Reads the options of a single course-day; false with *error set when one is wrong. */
bool ReadCourseDayOptions(const Arguments &args, CourseDayOptions *options, std::uint64_t *seed, QString *error)
{
    const QString date = args.values.at(QStringLiteral("--date"));
    options->date = QDate::fromString(date, QStringLiteral("yyyyMMdd"));
    if (date.size() != 8 || !options->date.isValid()) {
        *error = QStringLiteral("日付は yyyymmdd で指定してください: ") + date;
        return false;
    }
    const QString course = args.values.at(QStringLiteral("--course"));
    bool ok = false;
    const int courseNumber = course.toInt(&ok);
    if (course.size() != 2 || !ok || courseNumber < 1 || courseNumber > 10) {
        *error = QStringLiteral("競馬場コードは 01 から 10 です: ") + course;
        return false;
    }
    options->course = course.toStdString();
    if (args.values.contains(QStringLiteral("--races"))) {
        const QString races = args.values.at(QStringLiteral("--races"));
        options->races = races.toInt(&ok);
        if (!ok || options->races < 1 || options->races > 12) {
            *error = QStringLiteral("レース数は 1 から 12 です: ") + races;
            return false;
        }
    }
    options->withResults = !args.noResults;
    // Without a seed every course-day still comes out the same, and differs from the others.
    *seed = static_cast<std::uint64_t>(date.toLongLong()) * 100 + static_cast<std::uint64_t>(courseNumber);
    if (args.values.contains(QStringLiteral("--seed"))) {
        const QString text = args.values.at(QStringLiteral("--seed"));
        *seed = text.toULongLong(&ok);
        if (!ok) {
            *error = QStringLiteral("シードは 0 以上の整数です: ") + text;
            return false;
        }
    }
    return true;
}

QString Summary(const CourseDay &day)
{
    return QStringLiteral("%1: %2レース 出走馬%3頭 払戻%4件")
        .arg(QString::fromStdString(day.nameUtf8()))
        .arg(day.races.size())
        .arg(day.runnerRecords.size())
        .arg(day.payoutRecords.size());
}

/**
 * Reads the command line of a command that makes one course-day, whose output
 * option is `output` ("--data" or "--out"); prints the problem and returns nullopt when wrong.
 */
std::optional<std::pair<CourseDay, QString>> OneCourseDay(const QStringList &args, const QString &output)
{
    QString error;
    const auto parsed =
        ParseOptions(args,
                     {output, QStringLiteral("--date"), QStringLiteral("--course"), QStringLiteral("--races"),
                      QStringLiteral("--seed"), QStringLiteral("--no-results")},
                     &error);
    if (!parsed) {
        BadArguments(error);
        return std::nullopt;
    }
    for (const QString &required : {output, QStringLiteral("--date"), QStringLiteral("--course")}) {
        if (!parsed->values.contains(required)) {
            BadArguments(QStringLiteral("必要なオプションがありません: ") + required);
            return std::nullopt;
        }
    }
    CourseDayOptions options;
    std::uint64_t seed = 0;
    if (!ReadCourseDayOptions(*parsed, &options, &seed, &error)) {
        BadArguments(error);
        return std::nullopt;
    }
    return std::make_pair(Generator(seed).courseDay(options), parsed->values.at(output));
}

int WriteFailed(const QString &path)
{
    PrintError(QStringLiteral("velmora-gen: 書き込みに失敗しました: ") + QDir::toNativeSeparators(path));
    return 1;
}

int CourseDayCommand(const QStringList &args)
{
    const auto made = OneCourseDay(args, QStringLiteral("--data"));
    if (!made)
        return 1;
    const auto &[day, dataDir] = *made;
    if (!velmora::gen::WriteCourseDayFiles(day, dataDir))
        return WriteFailed(dataDir);
    Print(Summary(day) + QStringLiteral(" → ") + QDir::toNativeSeparators(dataDir));
    return 0;
}

int SampleCommand(const QStringList &args)
{
    QString error;
    const auto parsed =
        ParseOptions(args, {QStringLiteral("--out"), QStringLiteral("--seed"), QStringLiteral("--weeks")}, &error);
    if (!parsed)
        return BadArguments(error);
    if (!parsed->values.contains(QStringLiteral("--out")))
        return BadArguments(QStringLiteral("必要なオプションがありません: --out"));
    std::uint64_t seed = kSampleSeed;
    bool ok = false;
    if (parsed->values.contains(QStringLiteral("--seed"))) {
        const QString text = parsed->values.at(QStringLiteral("--seed"));
        seed = text.toULongLong(&ok);
        if (!ok)
            return BadArguments(QStringLiteral("シードは 0 以上の整数です: ") + text);
    }
    // Years of race weekends before the sample's own, for backtests and their benchmark.
    int weeks = 1;
    if (parsed->values.contains(QStringLiteral("--weeks"))) {
        const QString text = parsed->values.at(QStringLiteral("--weeks"));
        weeks = text.toInt(&ok);
        if (!ok || weeks < 1 || weeks > 5200)
            return BadArguments(QStringLiteral("週数は 1 から 5200 です: ") + text);
    }

    const QString dataDir = QDir(parsed->values.at(QStringLiteral("--out"))).filePath(QStringLiteral("Data"));
    const int written = velmora::gen::WriteWeeks(dataDir, seed, kSampleSaturday, weeks);
    if (written < 0)
        return WriteFailed(dataDir);
    Print(QStringLiteral("%1週 %2開催（%3 から %4 まで）")
              .arg(weeks)
              .arg(written)
              .arg(kSampleSaturday.addDays(-7 * (weeks - 1)).toString(QStringLiteral("yyyy-MM-dd")),
                   kSampleSaturday.addDays(1).toString(QStringLiteral("yyyy-MM-dd"))));
    Print(QStringLiteral("書き込み先: ") + QDir::toNativeSeparators(dataDir));
    return 0;
}

int RecordsCommand(const QStringList &args)
{
    const auto made = OneCourseDay(args, QStringLiteral("--out"));
    if (!made)
        return 1;
    const auto &[day, path] = *made;
    std::vector<std::string> records = day.raceRecords;
    records.insert(records.end(), day.runnerRecords.begin(), day.runnerRecords.end());
    records.insert(records.end(), day.payoutRecords.begin(), day.payoutRecords.end());
    if (!velmora::gen::WriteRecordFile(path, records))
        return WriteFailed(path);
    Print(Summary(day) + QStringLiteral(" → ") + QDir::toNativeSeparators(path));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2)
        return BadArguments(QStringLiteral("コマンドがありません"));
    const QString command = args.at(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == QLatin1String("course-day"))
        return CourseDayCommand(args);
    if (command == QLatin1String("sample"))
        return SampleCommand(args);
    if (command == QLatin1String("records"))
        return RecordsCommand(args);
    return BadArguments(QStringLiteral("不明なコマンドです: ") + command);
}
