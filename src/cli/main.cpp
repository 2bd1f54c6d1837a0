// velmora-cli: the scriptable face of the program's core.

#include "cli/cli.h"
#include "core/settings/appfolder.h"
#include "core/settings/appfolderlock.h"
#include "core/settings/version.h"
#include "core/store/courseday.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"
#include "render/fonts.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>

namespace velmora::cli {
namespace {

const char *const kUsage =
    "使い方:\n"
    "  velmora-cli --help | --version\n"
    "  velmora-cli list [--data DIR]\n"
    "  velmora-cli predict [--data DIR] NAME\n"
    "  velmora-cli hits [--data DIR] NAME\n"
    "  velmora-cli import [--data DIR] [--source DIR] [--from yyyymmddhhnnss] [--option 1|2]\n"
    "                     [--bridge COMMAND]\n"
    "  velmora-cli results [--data DIR] [--source DIR] [--bridge COMMAND] NAME\n"
    "  velmora-cli print [--data DIR] NAME RACE --pdf FILE\n"
    "  velmora-cli print-all [--data DIR] NAME --pdf FILE\n"
    "  velmora-cli save-bets [--data DIR] NAME\n"
    "  velmora-cli export-hits [--data DIR] DATE [--longshot]\n"
    "  velmora-cli backtest [--data DIR] [--from yyyymmdd] [--to yyyymmdd] [--json] [--csv FILE]\n";

struct Command
{
    const char *name;
    int (*run)(const Arguments &);
    std::set<QString> options;    ///< options that take a value
    std::set<QString> flags = {}; ///< options that take none
};

const std::vector<Command> &Commands()
{
    static const QString data = QStringLiteral("--data");
    static const QString source = QStringLiteral("--source");
    static const QString bridge = QStringLiteral("--bridge");
    static const std::vector<Command> commands = {
        {"list", List, {data}},
        {"predict", Predict, {data}},
        {"hits", Hits, {data}},
        {"import", Import, {data, source, bridge, QStringLiteral("--from"), QStringLiteral("--option")}},
        {"results", Results, {data, source, bridge}},
        {"print", PrintRace, {data, QStringLiteral("--pdf")}},
        {"print-all", PrintAllRaces, {data, QStringLiteral("--pdf")}},
        {"save-bets", SaveBets, {data}},
        {"export-hits", ExportHitsCommand, {data}, {QStringLiteral("--longshot")}},
        {"backtest",
         BacktestCommand,
         {data, QStringLiteral("--from"), QStringLiteral("--to"), QStringLiteral("--csv")},
         {QStringLiteral("--json")}},
    };
    return commands;
}

void Write(FILE *stream, const QString &text)
{
    // Names and record texts come from files anyone may have made: nothing they hold
    // reaches the terminal as a control sequence. Messages of several lines keep their breaks.
    const QByteArray bytes = VisibleText(text, true).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
}

int Run(const QStringList &args)
{
    if (args.size() < 2)
        return Usage();
    if (args.at(1) == QLatin1String("--help") || args.at(1) == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (args.at(1) == QLatin1String("--version")) {
        if (args.size() != 2)
            return Usage();
        Print(VersionLine(QStringLiteral("velmora-cli")));
        return kExitOk;
    }
    const auto command = std::find_if(Commands().begin(), Commands().end(),
                                      [&](const Command &c) { return args.at(1) == QLatin1String(c.name); });
    if (command == Commands().end())
        return Usage();

    Arguments parsed;
    parsed.command = args.at(1);
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (!arg.startsWith(QLatin1String("--"))) {
            parsed.positional.append(arg);
            continue;
        }
        // A flag never takes the next argument as its value.
        if (command->flags.contains(arg)) {
            parsed.options[arg] = QString();
            continue;
        }
        if (!command->options.contains(arg)) {
            PrintError(QStringLiteral("不明なオプションです: %1").arg(arg));
            return Usage();
        }
        if (i + 1 >= args.size()) {
            PrintError(QStringLiteral("%1 には値が必要です。").arg(arg));
            return Usage();
        }
        parsed.options[arg] = args.at(++i);
    }
    if (!Cp932Available()) {
        PrintError(
            QStringLiteral("Shift-JIS(CP932)の文字コード変換が使用できません。Qtのインストールを確認してください。"));
        return kExitFailed;
    }
    return command->run(parsed);
}

} // namespace

std::optional<QString> Arguments::option(const char *name) const
{
    const auto found = options.find(QLatin1String(name));
    if (found == options.end())
        return std::nullopt;
    return found->second;
}

bool Arguments::has(const char *name) const
{
    return options.find(QLatin1String(name)) != options.end();
}

void Print(const QString &text)
{
    Write(stdout, text);
}

void PrintError(const QString &text)
{
    Write(stderr, text);
}

int Usage()
{
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

QString DataDir(const Arguments &args)
{
    if (const auto data = args.option("--data"))
        return QDir::cleanPath(QDir::current().absoluteFilePath(*data));
    return ApplicationFolder() + QStringLiteral("/Data");
}

CourseDay CourseDayArgument(const Arguments &args)
{
    return CourseDay(args.positional.value(0));
}

QString AppFolder(const Arguments &args)
{
    return QFileInfo(DataDir(args)).absolutePath();
}

std::optional<int> LockAppFolder(AppFolderLock &lock)
{
    if (lock.tryLock())
        return std::nullopt;
    PrintError(lock.message());
    return kExitFailed;
}

} // namespace velmora::cli

int main(int argc, char *argv[])
{
    // Printing lays out text with fonts, which takes a GUI application; it needs no display.
    const bool prints = argc > 1 && (std::strcmp(argv[1], "print") == 0 || std::strcmp(argv[1], "print-all") == 0);
    std::unique_ptr<QCoreApplication> app;
    if (prints) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
        velmora::render::InstallFontSubstitutions();
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return velmora::cli::Run(QCoreApplication::arguments());
}
