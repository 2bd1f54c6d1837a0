#include "cli/cli.h"
#include "cli/json.h"
#include "core/backtest/backtest.h"
#include "core/backtest/backtestreport.h"
#include "core/store/regularfile.h"

#include <iostream>

#include <QDir>
#include <QFileInfo>

namespace velmora::cli {
namespace {

/** The date of a --from or --to value, yyyymmdd; nothing for other texts or no such day. */
std::optional<QDate> ParseDate(const QString &text)
{
    const QDate date = QDate::fromString(text, QStringLiteral("yyyyMMdd"));
    if (text.size() != 8 || !date.isValid())
        return std::nullopt;
    return date;
}

/** Columns of a fixed-pitch terminal: East Asian wide characters take two. */
int DisplayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool halfWidthKana = u >= 0xFF61 && u <= 0xFF9F;
        width += (u >= 0x1100 && !halfWidthKana) ? 2 : 1;
    }
    return width;
}

/** Prints rows as columns: the first `textColumns` aligned left, the others (figures) right. */
void PrintTable(const std::vector<QStringList> &rows, int textColumns)
{
    std::vector<int> widths;
    for (const QStringList &row : rows) {
        widths.resize(std::max(widths.size(), static_cast<size_t>(row.size())));
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[static_cast<size_t>(i)] = std::max(widths[static_cast<size_t>(i)], DisplayWidth(row.at(i)));
    }
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            const QString padding(widths[static_cast<size_t>(i)] - DisplayWidth(row.at(i)), QLatin1Char(' '));
            if (i > 0)
                line += QStringLiteral("  ");
            line += i < textColumns ? row.at(i) + padding : padding + row.at(i);
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        Print(line);
    }
}

/** A table of one figure row per ticket kind with tickets of each group, the group first. */
void PrintGroups(const QString &title, const QString &groupHeader,
                 const std::vector<std::pair<QString, const GroupFigures *>> &groups)
{
    std::vector<QStringList> rows;
    QStringList heading;
    if (!groupHeader.isEmpty())
        heading.append(groupHeader);
    heading.append(QStringLiteral("券種"));
    rows.push_back(heading + FigureHeaders());
    for (const auto &[group, figures] : groups) {
        for (const TicketKind kind : kTicketKinds) {
            if ((*figures)[kind].tickets == 0)
                continue;
            QStringList row;
            if (!groupHeader.isEmpty())
                row.append(group);
            row.append(TicketKindName(kind));
            rows.push_back(row + FigureCells((*figures)[kind]));
        }
    }
    Print(QString());
    Print(title);
    PrintTable(rows, static_cast<int>(heading.size()));
}

void PrintReadable(const BacktestResult &result)
{
    Print(QStringLiteral("成績分析　期間: %1").arg(RangeText(result.range)));
    Print(BacktestSummaryText(result));
    PrintGroups(QStringLiteral("券種別"), {}, {{QString(), &result.total}});
    std::vector<std::pair<QString, const GroupFigures *>> grades;
    for (const auto &[grade, figures] : result.byGrade)
        grades.emplace_back(QString::fromStdString(grade), &figures);
    PrintGroups(QStringLiteral("勝負度別"), QStringLiteral("勝負度"), grades);
    Print(QString());
    Print(QStringLiteral("連続不的中の最長 / 最大ドローダウン"));
    for (const TicketKind kind : kTicketKinds) {
        if (result.total[kind].tickets > 0)
            Print(QStringLiteral("  %1: %2レース / %3円")
                      .arg(TicketKindName(kind))
                      .arg(result.streak(kind).longestMiss)
                      .arg(FormatYen(result.streak(kind).maxDrawdown)));
    }
    if (!result.skipped.empty()) {
        Print(QString());
        Print(QStringLiteral("除外した開催:"));
        for (const SkippedCourseDay &day : result.skipped)
            Print(QStringLiteral("  %1: %2").arg(VisibleText(day.name), VisibleText(day.reason)));
    }
}

/** G: the figures of each kind with tickets, as {"races":…,"tickets":…,"hits":…,"stake":…,"return":…}. */
void WriteGroup(JsonWriter &json, const GroupFigures &group)
{
    json.beginObject();
    for (const TicketKind kind : kTicketKinds) {
        const KindFigures &figures = group[kind];
        if (figures.tickets == 0)
            continue;
        json.key(TicketKindKey(kind)).beginObject();
        json.key("races").value(figures.races);
        json.key("tickets").value(figures.tickets);
        json.key("hits").value(figures.hits);
        json.key("stake").value(figures.stake);
        json.key("return").value(figures.payback);
        json.endObject();
    }
    json.endObject();
}

/** A map of groups; groups without a settled race are left out. */
void WriteGroups(JsonWriter &json, const char *name, const std::map<std::string, GroupFigures> &groups)
{
    json.key(name).beginObject();
    for (const auto &[key, group] : groups) {
        if (group.settledRaces == 0)
            continue;
        json.key(key);
        WriteGroup(json, group);
    }
    json.endObject();
}

void WriteDate(JsonWriter &json, const char *name, QDate date)
{
    json.key(name);
    if (date.isValid())
        json.value(date.toString(QStringLiteral("yyyyMMdd")).toStdString());
    else
        json.null();
}

std::string Json(const BacktestResult &result)
{
    JsonWriter json;
    json.beginObject();
    WriteDate(json, "from", result.range.from);
    WriteDate(json, "to", result.range.to);
    json.key("courseDays").value(result.courseDays);
    json.key("skipped").beginArray();
    for (const SkippedCourseDay &day : result.skipped) {
        json.beginObject();
        json.key("name").value(day.name.toStdString());
        json.key("reason").value(day.reason.toStdString());
        json.endObject();
    }
    json.endArray();
    json.key("settledRaces").value(result.settledRaces);
    json.key("pendingRaces").value(result.pendingRaces);
    json.key("total");
    WriteGroup(json, result.total);
    WriteGroups(json, "byGrade", result.byGrade);
    WriteGroups(json, "byCourse", result.byCourse);
    WriteGroups(json, "byMonth", result.byMonth);
    WriteGroups(json, "byDate", result.byDate);
    json.key("streaks").beginObject();
    for (const TicketKind kind : kTicketKinds) {
        if (result.total[kind].tickets == 0)
            continue;
        json.key(TicketKindKey(kind)).beginObject();
        json.key("longestMiss").value(result.streak(kind).longestMiss);
        json.key("maxDrawdown").value(result.streak(kind).maxDrawdown);
        json.endObject();
    }
    json.endObject();
    json.endObject();
    return json.str();
}

} // namespace

int BacktestCommand(const Arguments &args)
{
    if (!args.positional.isEmpty())
        return Usage();
    BacktestRange range;
    for (const auto &[name, date] : {std::pair{"--from", &range.from}, std::pair{"--to", &range.to}}) {
        const std::optional<QString> text = args.option(name);
        if (!text)
            continue;
        const std::optional<QDate> parsed = ParseDate(*text);
        if (!parsed) {
            PrintError(QStringLiteral("日付は yyyymmdd で指定してください: %1").arg(*text));
            return kExitUsage;
        }
        *date = *parsed;
    }
    if (range.from.isValid() && range.to.isValid() && range.from > range.to) {
        PrintError(
            QStringLiteral("開始日 %1 が終了日 %2 より後です。").arg(*args.option("--from"), *args.option("--to")));
        return kExitUsage;
    }
    const QString dataDir = DataDir(args);
    if (!QFileInfo(dataDir).isDir()) {
        PrintError(QStringLiteral("データフォルダ「%1」がありません。").arg(QDir::toNativeSeparators(dataDir)));
        return kExitFailed;
    }

    const BacktestResult result = RunBacktest(dataDir, range);
    if (const std::optional<QString> csv = args.option("--csv")) {
        QString error;
        if (!SaveBacktestCsv(QDir::current().absoluteFilePath(*csv), result, error)) {
            PrintError(error);
            return kExitFailed;
        }
    }
    if (args.has("--json")) {
        std::cout << Json(result) << '\n';
    } else {
        PrintReadable(result);
        if (const std::optional<QString> csv = args.option("--csv"))
            Print(QStringLiteral("書き出しました: %1").arg(QDir::toNativeSeparators(*csv)));
    }
    return kExitOk;
}

} // namespace velmora::cli
