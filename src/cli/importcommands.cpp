#include "cli/cli.h"
#include "core/engine/prediction.h"
#include "core/jvlink/bridgejvlink.h"
#include "core/jvlink/dataimport.h"
#include "core/jvlink/jvlinkchoice.h"
#include "core/jvlink/jvresultmessage.h"
#include "core/jvlink/localjvlink.h"
#include "core/jvlink/resultfetch.h"
#include "core/jvlink/samplesource.h"
#include "core/settings/appfolderlock.h"
#include "core/settings/settingsfile.h"
#include "core/store/racecard.h"
#include "core/text/sjis.h"

#include <chrono>
#include <memory>
#include <thread>

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

namespace velmora::cli {
namespace {

/** The progress of an import as lines on the terminal. */
class PrintedImport : public SilentImportView
{
  public:
    void setProgressText(const QString &text) override
    {
        if (text != m_label)
            Print(text);
        m_label = text;
    }
    void showMessage(const QString &text) override { PrintError(text); }

  private:
    QString m_label;
};

/** How the tool's loops over JV-Link wait; a test build of the tool gives up within seconds. */
JVLinkPatience ToolPatience()
{
    JVLinkPatience patience = JVLinkPatience::Default();
#ifdef VELMORA_TEST_STALL_LIMIT_MS
    patience.stallLimit = std::chrono::milliseconds(VELMORA_TEST_STALL_LIMIT_MS);
#endif
    return patience;
}

/** The component and the program's settings of the application folder, as the desktop program uses them. */
struct Setup
{
    std::unique_ptr<JVLink> jvlink;
    SettingsFile settings;
};

std::optional<int> Prepare(const Arguments &args, Setup &setup)
{
    const QString appFolder = AppFolder(args);
    const auto source = args.option("--source");
    const JVLinkChoice choice =
        ChooseJVLink(appFolder, args.option("--bridge"), ThisHost(QCoreApplication::applicationDirPath()));
    const BridgeJVLink *bridge = nullptr;
    auto factory = ProgramJVLinkFactory(
        appFolder, choice,
        [&](LocalJVLink &local) {
            local.setSourceMaker(BundledSampleMaker(QCoreApplication::applicationDirPath()));
            if (source)
                local.setSourceOverride(QFileInfo(*source).absoluteFilePath());
        },
        [&](BridgeJVLink &jvlink) { bridge = &jvlink; });
    setup.jvlink = factory(kJVLinkClassName);
    if (!setup.jvlink) {
        PrintError(QStringLiteral("JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。"));
        return kExitFailed;
    }
    setup.settings.setFileName(appFolder + QStringLiteral("/velmora.ini"));
    setup.settings.setLinkRule(LinkRule::FollowToExistingFile);
    const int result = setup.jvlink->JVInit(SoftwareId());
    // Which JV-Link answers, and why, is the first thing to know when it does not answer as expected.
    PrintError(choice.description(bridge));
    if (result != 0) {
        PrintError(QStringLiteral("JVInitエラー：") + FromSjis(JVResultMessage("JVInit", result)));
        return kExitFailed;
    }
    return std::nullopt;
}

} // namespace

int Import(const Arguments &args)
{
    if (!args.positional.isEmpty())
        return Usage();
    AppFolderLock lock(AppFolder(args));
    if (const auto failed = LockAppFolder(lock))
        return *failed;
    Setup setup;
    if (const auto failed = Prepare(args, setup))
        return *failed;

    QDateTime from = DataImport::StoredFromDate(setup.settings, QDateTime::currentDateTime());
    if (const auto text = args.option("--from")) {
        from = QDateTime::fromString(*text, QStringLiteral("yyyyMMddHHmmss"));
        if (text->size() != 14 || !from.isValid()) {
            PrintError(QStringLiteral("取得開始日時は yyyymmddhhnnss で指定してください: %1").arg(*text));
            return kExitUsage;
        }
    }
    int option = 2;
    if (const auto text = args.option("--option")) {
        option = text->toInt();
        if (*text != QLatin1String("1") && *text != QLatin1String("2")) {
            PrintError(QStringLiteral("--option は 1（通常データ）か 2（今週開催データ）です: %1").arg(*text));
            return kExitUsage;
        }
    }

    RaceDayStore store(DataDir(args));
    PrintedImport view;
    bool importCancelled = false;
    DataImport import(*setup.jvlink, store, setup.settings, view, importCancelled);
    import.setPatience(ToolPatience());
    import.setNormalDataHint(QStringLiteral("--option 1（通常データ）"));
    Print(DataImport::StartNotice(from));
    import.start(from, option);
    while (import.downloading()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        import.poll();
    }

    for (const QString &line : ImportRecordLines(import.counts()))
        Print(line);
    Print(QStringLiteral("LastTime: %1")
              .arg(import.storedLastTime().isEmpty() ? QStringLiteral("(変更なし)") : import.storedLastTime()));
    const bool failed =
        import.outcome() == DataImport::Outcome::Failed || import.lastTimeSaveFailed() || import.closeFailed();
    return failed ? kExitFailed : kExitOk;
}

int Results(const Arguments &args)
{
    if (args.positional.size() != 1)
        return Usage();
    AppFolderLock lock(AppFolder(args));
    if (const auto failed = LockAppFolder(lock))
        return *failed;
    Setup setup;
    if (const auto failed = Prepare(args, setup))
        return *failed;

    RaceCard card;
    LoadCourseDay(DataDir(args), CourseDayArgument(args), card);
    RaceDayStore store(DataDir(args));
    bool importCancelled = false;
    ResultFetch fetch(
        *setup.jvlink, store, importCancelled, [] {}, [] {});
    fetch.setPatience(ToolPatience());
    const ResultFetch::Outcome outcome = fetch.run(card);
    if (const QString refusals = ResultFetchRefusals(outcome); !refusals.isEmpty())
        PrintError(refusals);
    bool failed = false;
    for (const QString &error : {outcome.jvlinkError, outcome.error, outcome.closeError}) {
        if (!error.isEmpty()) {
            PrintError(error);
            failed = true;
        }
    }
    return failed ? kExitFailed : Hits(args);
}

} // namespace velmora::cli
