#include "core/jvlink/jvresultmessage.h"
#include "core/jvlink/localjvlink.h"
#include "core/jvlink/scriptedjvlink.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"
#include "gen/samplesource.h"
#include "gui/app/guicontext.h"
#include "gui/jvlink/importwindow.h"
#include "gui/scriptedmessages.h"

#include <gtest/gtest.h>

#include <QDateTimeEdit>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

// Failures show texts, not code units.
static void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace velmora::gui {
namespace {

using gen::RecordBuilder;
using velmora::test::ScriptedJVLink;
using Read = ScriptedJVLink::Read;

const QString kLastTimeFormat = QStringLiteral("yyyy/MM/dd HH:mm:ss");
const QDate kDay(2003, 4, 5);
const QString kDayName = QStringLiteral("2003年04月05日中山");
const QString kCancelled = QStringLiteral("JVCancel:キャンセルされました");
const QString kCancelQuestion = QStringLiteral("データ取込を中止します。実行しますか？");

Read Ra(int race, char kind = '7')
{
    return ScriptedJVLink::Record(
        RecordBuilder::Race().setKey(kind, kDay, kDay, "06", 2, 5, race).setText(ra::RaceName, "テスト"));
}

Read Se(int race, int horse)
{
    return ScriptedJVLink::Record(
        RecordBuilder::Runner().setKey('7', kDay, kDay, "06", 2, 5, race).setNumber(se::HorseNumber, horse));
}

Read Hr(int race)
{
    return ScriptedJVLink::Record(RecordBuilder::Payout().setKey('2', kDay, kDay, "06", 2, 5, race));
}

Read Code(int code)
{
    return ScriptedJVLink::Code(code);
}

QStringList Lines(const QListWidget *list)
{
    QStringList lines;
    for (int row = 0; row < list->count(); ++row)
        lines << list->item(row)->text();
    return lines;
}

/** Boxes answered by the test, with a look at the window while a question is open. */
class AskingMessages : public test::ScriptedMessages
{
  public:
    std::function<void()> whileAsking;

    bool question(QWidget *parent, const QString &text, const QString &caption = {}) override
    {
        if (whileAsking)
            whileAsking();
        return ScriptedMessages::question(parent, text, caption);
    }
};

/** An import window with its own application folder, boxes answered by the test. */
class ImportWindowTest : public ::testing::Test
{
  protected:
    QTemporaryDir app;
    AskingMessages messages;
    test::RecordingDesktop desktop;
    GuiContext context{messages, desktop, {}, app.path()};
    ScriptedJVLink jv;
    bool importCancelled = false;
    std::unique_ptr<ImportWindow> form;

    /** Stores the from-date that a window opened afterwards starts at. */
    void storeLastTime(const QString &text)
    {
        SettingsFile settings = context.settings();
        ASSERT_TRUE(settings.WriteString(QStringLiteral("JvDataGet"), QStringLiteral("LastTime"), text));
    }
    QString lastTime() const
    {
        return context.settings().ReadString(QStringLiteral("JvDataGet"), QStringLiteral("LastTime"),
                                             QStringLiteral("<none>"));
    }

    ImportWindow &open(JVLink &jvlink)
    {
        form = std::make_unique<ImportWindow>(jvlink, context, importCancelled);
        form->show();
        return *form;
    }
    ImportWindow &open() { return open(jv); }

    template <typename Widget> Widget *child(const char *name) const
    {
        auto *widget = form->findChild<Widget *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QPushButton *start() const { return child<QPushButton>("ButtonStart"); }
    QPushButton *cancel() const { return child<QPushButton>("ButtonCancel"); }
    QToolButton *settingsButton() const { return child<QToolButton>("SpeedButton1"); }
    QTimer *timer() const { return child<QTimer>("TimerJVStatus"); }
    QString progressText() const { return child<QLabel>("ProgressLabel")->text(); }
    /** The lines of the stored records in ListBox1. */
    QStringList created() const
    {
        return Lines(child<QListWidget>("ListBox1")).filter(QRegularExpression(QStringLiteral("^作成済み:")));
    }
    /** The summary that ends ListBox1 once an import has ended. */
    QStringList summary() const
    {
        const QStringList lines = Lines(child<QListWidget>("ListBox1"));
        const qsizetype start = lines.indexOf(QStringLiteral("―― 取込結果 ――"));
        return start < 0 ? QStringList() : lines.mid(start);
    }
    QDateTime picker() const { return child<QDateTimeEdit>("DateTimePicker1")->dateTime(); }
    QString label5() const { return child<QLabel>("Label5")->text(); }

    void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    /** Clicks a radio button on its indicator: its middle may lie beyond its text. */
    void choose(const char *radio)
    {
        auto *button = child<QRadioButton>(radio);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        ASSERT_TRUE(button->isChecked()) << radio;
    }

    /** Lets the timer and the read loop run until the import has ended. */
    bool waitForEnd(int milliseconds = 20000)
    {
        QDeadlineTimer deadline(milliseconds);
        while (form->import().running() && !deadline.hasExpired())
            QTest::qWait(5);
        return !form->import().running();
    }

    QString dataFile(const char *extension) const
    {
        return context.dataDir() + QLatin1Char('/') + kDayName + QLatin1String(extension);
    }
};

TEST_F(ImportWindowTest, FreshWindowStartsEightDaysBackWithThisWeeksData)
{
    const QDateTime before = QDateTime::currentDateTime();
    open();
    const QDateTime after = QDateTime::currentDateTime();

    EXPECT_EQ(form->windowTitle(), QStringLiteral("ＪＶデータ取込"));
    // The stored text has whole seconds.
    EXPECT_GE(picker(), before.addDays(-8).addSecs(-1));
    EXPECT_LE(picker(), after.addDays(-8));
    EXPECT_EQ(label5(), picker().toString(kLastTimeFormat));
    EXPECT_TRUE(child<QLabel>("Label5")->isHidden());

    EXPECT_TRUE(child<QRadioButton>("rbtIsthisweek")->isChecked());
    EXPECT_FALSE(child<QRadioButton>("rbtNormal")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("rbtSetup")->isHidden());
    EXPECT_EQ(timer()->interval(), 10);
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(settingsButton()->toolTip(),
              QStringLiteral("JRA-VAN　Data Lab.のサービスキーやデータ保存場所の設定をします"));
    EXPECT_TRUE(start()->isEnabled());
    EXPECT_FALSE(cancel()->isEnabled());
    EXPECT_TRUE(jv.calls.isEmpty());
}

TEST_F(ImportWindowTest, WindowStartsAtTheStoredLastTime)
{
    storeLastTime(QStringLiteral("2003/04/05 10:20:30"));
    open();
    EXPECT_EQ(picker(), QDateTime(kDay, QTime(10, 20, 30)));
    EXPECT_EQ(label5(), QStringLiteral("2003/04/05 10:20:30"));
}

TEST_F(ImportWindowTest, ImportWithoutDownloadStoresRecordsAndMovesLastTime)
{
    storeLastTime(QStringLiteral("2003/04/05 10:20:30"));
    jv.readCount = 2;
    jv.timestamp = QStringLiteral("20030406123456");
    jv.script({Ra(1), Se(1, 3), Code(-3), Code(-1), Hr(1), Ra(2, 'A'), Code(-1), Code(0)});
    open();
    click(start());

    ASSERT_FALSE(messages.boxes.empty());
    EXPECT_EQ(messages.boxes[0].kind, QStringLiteral("information"));
    EXPECT_EQ(messages.boxes[0].text, DataImport::StartNotice(QDateTime(kDay, QTime(10, 20, 30))));
    EXPECT_EQ(messages.boxes.size(), 1u) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(jv.openedFrom, QStringLiteral("RACE,20030405102030"));
    EXPECT_EQ(jv.openedOption, 2);
    EXPECT_EQ(jv.count("JVStatus"), 0);
    EXPECT_EQ(jv.count("JVClose"), 1);

    EXPECT_EQ(created(), QStringList({QStringLiteral("作成済み:01R/") + kDayName + QStringLiteral(".jvRA"),
                                      QStringLiteral("作成済み:01R/03番/") + kDayName + QStringLiteral(".jvSEr"),
                                      QStringLiteral("作成済み:01R/") + kDayName + QStringLiteral(".jvHR")}));
    EXPECT_EQ(progressText(), QStringLiteral("データ読込み完了(2/2)"));
    for (const char *bar : {"ProgressBar1", "ProgressBar2"}) {
        EXPECT_GT(child<QProgressBar>(bar)->value(), 0) << bar;
        EXPECT_EQ(child<QProgressBar>(bar)->value(), child<QProgressBar>(bar)->maximum()) << bar << " shows completion";
    }
    EXPECT_EQ(summary(), (QStringList{QStringLiteral("―― 取込結果 ――"), QStringLiteral("作成した開催日: 1件"),
                                      QStringLiteral("  ") + kDayName, QStringLiteral("更新した開催日: 0件"),
                                      QStringLiteral("保存したレコード: RA 1件, SE 1件, HR 1件"),
                                      QStringLiteral("保存しなかったレコード: 1件"),
                                      QStringLiteral("  地方・海外競馬のデータ: 1件")}));
    EXPECT_TRUE(QFile::exists(dataFile(".jvRA")));
    EXPECT_TRUE(QFile::exists(dataFile(".jvSEr")));
    EXPECT_TRUE(QFile::exists(dataFile(".jvHR")));

    // The next import continues from JV-Link's time stamp.
    EXPECT_EQ(lastTime(), QStringLiteral("2003/04/06 12:34:56"));
    EXPECT_EQ(picker(), QDateTime(QDate(2003, 4, 6), QTime(12, 34, 56)));
    EXPECT_EQ(label5(), QStringLiteral("2003/04/06 12:34:56"));

    EXPECT_TRUE(start()->isEnabled());
    EXPECT_FALSE(cancel()->isEnabled());
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor) << "busy cursor left on";
}

TEST_F(ImportWindowTest, AnotherWriterInTheFolderStopsTheStartAndIsTold)
{
    // Another process's import holds the application folder.
    AppFolderLock other(app.path());
    ASSERT_TRUE(other.tryLock());
    storeLastTime(QStringLiteral("2003/04/05 10:20:30"));
    jv.script({Ra(1)});
    open();
    click(start());
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].kind, QStringLiteral("exclamation"));
    EXPECT_EQ(messages.boxes[0].caption, QStringLiteral("データを書き込めません"));
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("にデータを書き込んでいます。")));
    EXPECT_TRUE(jv.calls.isEmpty()) << "nothing was asked of JV-Link";
    EXPECT_FALSE(QFileInfo::exists(context.dataDir()));
    EXPECT_TRUE(start()->isEnabled());

    // Once it has ended, the import runs and holds the folder only while it works.
    other.unlock();
    messages.boxes.clear();
    click(start());
    EXPECT_TRUE(QFile::exists(dataFile(".jvRA"))) << messages.texts().join(QLatin1Char('\n')).toStdString();
    AppFolderLock after(app.path());
    EXPECT_TRUE(after.tryLock());
}

TEST_F(ImportWindowTest, ImportWithDownloadIsPolledByTheTimer)
{
    storeLastTime(QStringLiteral("2003/04/05 00:00:00"));
    jv.readCount = 1;
    jv.downloadCount = 3;
    jv.statuses = {0, 1, 1, 2, 3};
    jv.script({Ra(1), Code(-1), Code(0)});
    open();
    choose("rbtNormal");
    click(start());

    EXPECT_EQ(jv.openedOption, 1);
    EXPECT_TRUE(timer()->isActive());
    EXPECT_TRUE(form->import().downloading());
    EXPECT_EQ(progressText(), QStringLiteral("ダウンロード中・・・"));
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->maximum(), 3);
    EXPECT_FALSE(start()->isEnabled());
    EXPECT_TRUE(cancel()->isEnabled());
    EXPECT_EQ(jv.count("JVRead"), 0);

    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(jv.count("JVStatus"), 5);
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(progressText(), QStringLiteral("データ読込み完了(1/1)"));
    EXPECT_EQ(created().size(), 1);
    EXPECT_EQ(jv.count("JVClose"), 1);
    EXPECT_EQ(form->import().outcome(), DataImport::Outcome::Completed);
    EXPECT_TRUE(start()->isEnabled());
    EXPECT_FALSE(cancel()->isEnabled());
}

TEST_F(ImportWindowTest, DownloadErrorStopsThePollingAndCloses)
{
    jv.downloadCount = 2;
    jv.statuses = {1, -502};
    open();
    click(start());
    ASSERT_TRUE(waitForEnd());

    EXPECT_EQ(messages.texts().last(), QStringLiteral("JVStatusエラー:") + FromSjis(JVResultMessage("JVStatus", -502)));
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(jv.count("JVStatus"), 2);
    EXPECT_EQ(jv.count("JVRead"), 0);
    EXPECT_EQ(jv.count("JVClose"), 1);
    EXPECT_TRUE(start()->isEnabled());
}

TEST_F(ImportWindowTest, CancelDuringDownloadAsksAndStopsOnYesOnly)
{
    storeLastTime(QStringLiteral("2003/04/05 00:00:00"));
    jv.downloadCount = 2;
    jv.statuses = std::deque<int>(100000, 0);
    open();
    click(start());
    ASSERT_TRUE(form->import().downloading());
    QTest::qWait(30);

    bool pollingWhileAsked = true;
    messages.whileAsking = [&] { pollingWhileAsked = timer()->isActive(); };
    messages.answers = {false};
    click(cancel());
    EXPECT_FALSE(pollingWhileAsked);
    EXPECT_EQ(messages.boxes.back().kind, QStringLiteral("question"));
    EXPECT_EQ(messages.boxes.back().text, kCancelQuestion);
    EXPECT_EQ(jv.count("JVCancel"), 0);
    EXPECT_TRUE(timer()->isActive());
    EXPECT_TRUE(form->import().downloading());
    EXPECT_TRUE(cancel()->isEnabled());

    messages.answers = {true};
    click(cancel());
    EXPECT_EQ(jv.count("JVCancel"), 1);
    EXPECT_EQ(jv.count("JVClose"), 1);
    EXPECT_FALSE(timer()->isActive());
    EXPECT_FALSE(form->import().running());
    EXPECT_EQ(messages.texts().last(), kCancelled);
    EXPECT_EQ(progressText(), kCancelled);
    EXPECT_TRUE(start()->isEnabled());
    EXPECT_FALSE(cancel()->isEnabled());
    EXPECT_EQ(lastTime(), QStringLiteral("2003/04/05 00:00:00"));

    // No tick is left over to poll a closed JV-Link.
    const int polls = jv.count("JVStatus");
    QTest::qWait(50);
    EXPECT_EQ(jv.count("JVStatus"), polls);
}

TEST_F(ImportWindowTest, ReadLoopLocksOutASecondStartAndStopsAtCancel)
{
    storeLastTime(QStringLiteral("2003/04/05 00:00:00"));
    jv.script({Ra(1), Ra(2), Ra(3), Code(-1), Code(0)});
    bool startEnabled = true;
    bool cancelEnabled = false;
    bool settingsEnabled = true;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    jv.hookAtRead = 2;
    jv.hook = [&] {
        cursor = form->cursor().shape();
        startEnabled = start()->isEnabled();
        cancelEnabled = cancel()->isEnabled();
        settingsEnabled = settingsButton()->isEnabled();
        click(start());
        messages.answers = {true};
        click(cancel());
    };
    open();
    click(start());

    EXPECT_FALSE(startEnabled);
    EXPECT_TRUE(cancelEnabled);
    EXPECT_FALSE(settingsEnabled);
    EXPECT_EQ(cursor, Qt::BusyCursor);
    EXPECT_EQ(jv.count("JVOpen"), 1) << "a start inside the read loop began a second import";
    // The record of the read in progress is stored; the loop stops before the next read.
    EXPECT_EQ(jv.count("JVRead"), 2);
    EXPECT_EQ(created().size(), 2);
    EXPECT_EQ(jv.count("JVCancel"), 1);
    EXPECT_EQ(jv.count("JVClose"), 1);
    EXPECT_EQ(progressText(), kCancelled);
    EXPECT_EQ(lastTime(), QStringLiteral("2003/04/05 00:00:00"));
    EXPECT_TRUE(start()->isEnabled());
    EXPECT_FALSE(cancel()->isEnabled());
    EXPECT_TRUE(settingsButton()->isEnabled());
}

TEST_F(ImportWindowTest, CancelWorksWhileTheReadLoopWaitsForADownload)
{
    storeLastTime(QStringLiteral("2003/04/05 00:00:00"));
    jv.script({Ra(1)});
    jv.readForEver = -3;
    open();
    QTimer::singleShot(300, form.get(), [&] {
        messages.answers = {true};
        click(cancel());
    });
    click(start());

    EXPECT_EQ(form->import().outcome(), DataImport::Outcome::Cancelled);
    EXPECT_EQ(jv.count("JVCancel"), 1);
    EXPECT_EQ(jv.count("JVClose"), 1);
    EXPECT_EQ(created().size(), 1);
    // Between two answers of a file still downloading the loop pauses: in those 300 ms it
    // asked a few times, not thousands.
    EXPECT_LT(jv.count("JVRead"), 100);
    EXPECT_TRUE(start()->isEnabled());
}

TEST_F(ImportWindowTest, ClosingDuringAnImportAsksTheCancelQuestion)
{
    storeLastTime(QStringLiteral("2003/04/05 00:00:00"));
    jv.script({Ra(1), Ra(2), Code(-1), Code(0)});
    jv.hookAtRead = 2;
    jv.hook = [&] {
        messages.answers = {false};
        form->close();
    };
    open();
    click(start());

    // No: the window stays and the import reads to the end.
    EXPECT_EQ(messages.texts().count(kCancelQuestion), 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->import().outcome(), DataImport::Outcome::Completed);
    EXPECT_EQ(created().size(), 2);

    // Yes, asked by Escape: the import is cancelled and the window closes once it has ended.
    jv.calls.clear();
    jv.script({Ra(1), Ra(2), Code(-1), Code(0)});
    jv.hook = [&] {
        messages.answers = {true};
        QTest::keyClick(form.get(), Qt::Key_Escape);
        EXPECT_TRUE(form->isVisible()) << "closed while the read loop still runs";
    };
    click(start());
    EXPECT_EQ(form->import().outcome(), DataImport::Outcome::Cancelled);
    EXPECT_EQ(jv.count("JVClose"), 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
}

TEST_F(ImportWindowTest, ClosingDuringADownloadCancelsAndCloses)
{
    jv.downloadCount = 2;
    jv.statuses = std::deque<int>(100000, 0);
    open();
    click(start());
    ASSERT_TRUE(form->import().downloading());

    messages.answers = {false};
    form->close();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->import().downloading());
    EXPECT_EQ(jv.count("JVCancel"), 0);

    messages.answers = {true};
    form->close();
    EXPECT_EQ(jv.count("JVCancel"), 1);
    EXPECT_EQ(jv.count("JVClose"), 1);
    EXPECT_FALSE(timer()->isActive());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ImportWindowTest, WindowDestroyedMidDownloadLeavesJVLinkClosed)
{
    jv.downloadCount = 2;
    jv.statuses = std::deque<int>(100000, 0);
    open();
    click(start());
    ASSERT_TRUE(form->import().downloading());
    form.reset();
    EXPECT_EQ(jv.count("JVCancel"), 1);
    EXPECT_EQ(jv.count("JVClose"), 1);
}

TEST_F(ImportWindowTest, IdleWindowClosesWithoutAsking)
{
    open();
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(messages.boxes.empty());
}

/** A JV-Link whose settings dialog fails with a chosen code. */
class SettingsFailingJVLink : public ScriptedJVLink
{
  public:
    int uiResult = 0;
    int JVSetUIProperties() override
    {
        calls << QStringLiteral("JVSetUIProperties");
        return uiResult;
    }
};

TEST_F(ImportWindowTest, SettingsButtonReportsAJVSetUIPropertiesError)
{
    SettingsFailingJVLink failing;
    open(failing);
    click(settingsButton());
    EXPECT_EQ(failing.count("JVSetUIProperties"), 1);
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(messages.beeps, 0);

    failing.uiResult = -100;
    click(settingsButton());
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].kind, QStringLiteral("information"));
    EXPECT_EQ(messages.boxes[0].text,
              QStringLiteral("JVSetUIPropertiesエラー：") + FromSjis(JVResultMessage("JVSetUIProperties", -100)));
    EXPECT_TRUE(messages.boxes[0].text.endsWith(QStringLiteral("(-100)")));
    EXPECT_EQ(messages.beeps, 1);
}

// The whole road with the local JV-Link on the bundled sample: download on its thread,
// polled by the window's timer, read into the course-day files.
TEST_F(ImportWindowTest, LocalJVLinkImportsTheSampleIntoTheDataFolder)
{
    QTemporaryDir home;
    const QDateTime now =
        QDateTime::fromString(QDateTime::currentDateTime().toString(kLastTimeFormat), kLastTimeFormat);
    const QString source = home.filePath(QStringLiteral("source"));
    ASSERT_TRUE(gen::LayOutSampleSource(source, now));
    LocalJVLink local(home.path(), source);
    local.setDownloadDelay(std::chrono::milliseconds(0));
    ASSERT_EQ(local.JVInit(SoftwareId()), 0);

    open(local);
    choose("rbtNormal");
    click(start());
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(form->import().outcome(), DataImport::Outcome::Completed) << messages.texts().join(u'\n').toStdString();

    const int files = form->import().ReadCount();
    EXPECT_GT(form->import().DownloadCount(), 0);
    EXPECT_EQ(progressText(), QStringLiteral("データ読込み完了(%1/%1)").arg(files));
    EXPECT_EQ(lastTime(), now.toString(kLastTimeFormat));

    // The import leaves exactly the files the generator writes for each course-day.
    const gen::SampleSource sample = gen::MakeSampleSource(now.date());
    ASSERT_EQ(files, static_cast<int>(sample.raceData.size()));
    QTemporaryDir expected;
    int records = 0;
    for (const gen::CourseDay &day : sample.raceData) {
        ASSERT_TRUE(gen::WriteCourseDayFiles(day, expected.path()));
        records += static_cast<int>(day.raceRecords.size() + day.runnerRecords.size() + day.payoutRecords.size());
    }
    const QStringList written = QDir(expected.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(QDir(context.dataDir()).entryList(QDir::Files, QDir::Name), written);
    for (const QString &name : written) {
        QFile want(expected.filePath(name));
        QFile got(context.dataDir() + QLatin1Char('/') + name);
        ASSERT_TRUE(want.open(QIODevice::ReadOnly) && got.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_TRUE(got.readAll() == want.readAll()) << name.toStdString();
    }

    auto *list = child<QListWidget>("ListBox1");
    EXPECT_EQ(created().size(), records);
    QSet<QString> days;
    for (const QString &name : written)
        days.insert(QFileInfo(name).completeBaseName());
    QStringList expectedDays;
    for (const QString &day : days)
        expectedDays.append(QStringLiteral("  ") + day);
    expectedDays.sort();
    const QStringList ended = summary();
    ASSERT_GT(ended.size(), days.size() + 3) << ended.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(ended[1], QStringLiteral("作成した開催日: %1件").arg(days.size())) << "every course-day was created";
    QStringList shownDays = ended.mid(2, days.size());
    shownDays.sort();
    EXPECT_EQ(shownDays, expectedDays);
    EXPECT_EQ(ended[2 + days.size()], QStringLiteral("更新した開催日: 0件"));
    EXPECT_GT(list->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
}

} // namespace
} // namespace velmora::gui
