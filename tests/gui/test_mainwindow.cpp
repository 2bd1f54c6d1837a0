#include "core/codes/keibafunc.h"
#include "core/jvlink/scriptedjvlink.h"
#include "core/report/hitlist.h"
#include "core/store/racecard.h"
#include "fixedprinters.h"
#include "gen/jvdatagen.h"
#include "gui/app/guicontext.h"
#include "gui/app/mainwindow.h"
#include "gui/app/startup.h"
#include "gui/app/ticker.h"
#include "gui/print/previewwindow.h"
#include "gui/views/allraceswindow.h"
#include "gui/views/raceview.h"
#include "gui/views/userpredictionpopup.h"
#include "scriptedmessages.h"
#include "widgettesting.h"

#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace velmora::gui {
namespace {

using velmora::test::ScriptedJVLink;

/** A main window on a temporary application folder, with scripted boxes and JV-Link. */
class MainWindowTest : public testing::Test
{
  protected:
    MainWindowTest()
        : m_context{m_messages, m_desktop,
                    [](const QString &className) -> std::unique_ptr<JVLink> {
                        if (className != kJVLinkClassName)
                            return nullptr;
                        return std::make_unique<ScriptedJVLink>();
                    },
                    m_root.path()}
    {}

    std::unique_ptr<MainWindow> open()
    {
        auto form = std::make_unique<MainWindow>(m_context);
        EXPECT_TRUE(form->EnsureDataFolder());
        return form;
    }
    ScriptedJVLink &jvlink(MainWindow &form) { return *static_cast<ScriptedJVLink *>(form.jvlink()); }

    gen::CourseDay writeDay(QDate date = QDate(2026, 11, 28), int races = 12, std::uint64_t seed = 3,
                            const std::string &course = "06")
    {
        gen::Generator generator(seed);
        gen::CourseDayOptions options;
        options.date = date;
        options.races = races;
        options.course = course;
        gen::CourseDay day = generator.courseDay(options);
        EXPECT_TRUE(gen::WriteCourseDayFiles(day, m_context.dataDir()));
        return day;
    }

    template <typename T> static T *child(QWidget &parent, const char *name)
    {
        T *found = parent.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    /** Loads a course-day as the user does: the data button, then the day in the list. */
    void load(MainWindow &form, const QString &name)
    {
        QTest::mouseClick(child<QToolButton>(form, "SpeedButton1"), Qt::LeftButton);
        auto *list = child<QListWidget>(form, "DatListBox");
        const auto found = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        list->setCurrentItem(found.front());
        Q_EMIT list->itemClicked(found.front());
    }
    /** The window shown, with a generated course-day loaded and laid out. */
    std::unique_ptr<MainWindow> openShowingADay()
    {
        const gen::CourseDay day = writeDay();
        auto form = open();
        form->show();
        load(*form, QString::fromStdString(day.nameUtf8()));
        QApplication::processEvents();
        return form;
    }
    /** The user makes the runner in grid row `row` of the race in view their axis horse. */
    static void pickRunner(MainWindow &form, int row)
    {
        Q_EMIT child<RaceTabView>(form, "TabControl1")->runnerChosen(row);
    }
    /** Runs `check` on the next modal window, then closes it. */
    static void whenModal(std::function<void(QWidget *)> check)
    {
        QTimer::singleShot(0, [check] {
            QWidget *modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            check(modal);
            modal->close();
        });
    }

    QTemporaryDir m_root;
    test::ScriptedMessages m_messages;
    test::RecordingDesktop m_desktop;
    GuiContext m_context;
};

TEST_F(MainWindowTest, AFreshStartOpensAtTheDefaultPlaceWithTheTicker)
{
    auto form = open();
    EXPECT_EQ(form->pos(), QPoint(10, 10));
    EXPECT_EQ(form->size(), QSize(630, 450));
    EXPECT_FALSE(child<QAction>(*form, "T1")->isChecked());
    EXPECT_FALSE(child<QWidget>(*form, "Panel4")->isHidden());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ルクシア馬券ソフト「Velmora」 for JRA-VAN Data Lab."));
    EXPECT_TRUE(QFileInfo(m_context.dataDir()).isDir());
    EXPECT_TRUE(child<QWidget>(*form, "Panel8")->isHidden());
    // Nothing the first paint does not show is made before it: the race view comes with the first load.
    EXPECT_EQ(form->findChild<QWidget *>(QStringLiteral("TabControl1")), nullptr);
    EXPECT_EQ(form->findChild<QWidget *>(QStringLiteral("TForm2")), nullptr);
}

TEST_F(MainWindowTest, MenuItemsAndToolButtonsShowTheSamePictures)
{
    auto form = open();
    const std::pair<const char *, const char *> commands[] = {
        {"JV1", "JVBtn"},
        {"FileOpenItem", "SpeedButton1"},
        {"FilePrintItem", "SpeedButton4"},
        {"FilePrintSetupItem", "SpeedButton5"},
        {"FileExitItem", "SpeedButton6"},
        {"HelpContentsItem", "SpeedButton11"},
        {"HelpAboutItem", "SpeedButton14"},
    };
    QList<QImage> pictures;
    for (const auto &[item, button] : commands) {
        const QImage picture = child<QAction>(*form, item)->icon().pixmap(22).toImage();
        EXPECT_FALSE(picture.isNull()) << item;
        EXPECT_EQ(picture, child<QToolButton>(*form, button)->icon().pixmap(22).toImage()) << button;
        EXPECT_FALSE(pictures.contains(picture)) << item << " shares its picture with another command";
        pictures.append(picture);
    }
    EXPECT_FALSE(child<QAction>(*form, "N9")->icon().isNull());
}

TEST_F(MainWindowTest, PlaceAndTickerSurviveARestart)
{
    {
        auto form = open();
        form->move(20, 35);
        form->resize(700, 520);
        child<QAction>(*form, "T1")->trigger();
        form->close();
    }
    auto again = open();
    EXPECT_EQ(again->pos(), QPoint(20, 35));
    EXPECT_EQ(again->size(), QSize(700, 520));
    EXPECT_TRUE(child<QAction>(*again, "T1")->isChecked());
    EXPECT_TRUE(child<QWidget>(*again, "Panel4")->isHidden());

    // Only "Off" turns the ticker off; "off" does not.
    SettingsFile settings = m_context.settings();
    settings.WriteString(QStringLiteral("Ticker"), QStringLiteral("OnOff"), QStringLiteral("off"));
    auto third = open();
    EXPECT_FALSE(child<QWidget>(*third, "Panel4")->isHidden());
}

TEST_F(MainWindowTest, APlaceOutsideTheScreenIsStoredAsItIsAndOpensInside)
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    {
        auto form = open();
        form->move(-20, 35);
        form->close();
    }
    EXPECT_EQ(m_context.settings().ReadInteger(QStringLiteral("locate"), QStringLiteral("left"), 0), -20);
    auto again = open();
    EXPECT_TRUE(available.contains(again->frameGeometry())) << "restored at " << again->pos().x();

    // A size saved at another scale or on a larger screen: the window fits the screen.
    SettingsFile settings = m_context.settings();
    settings.WriteInteger(QStringLiteral("locate"), QStringLiteral("left"), available.right() - 100);
    settings.WriteInteger(QStringLiteral("locate"), QStringLiteral("width"), available.width() * 2);
    settings.WriteInteger(QStringLiteral("locate"), QStringLiteral("height"), available.height() * 2);
    auto huge = open();
    EXPECT_TRUE(available.contains(huge->frameGeometry()));
    EXPECT_EQ(huge->size(), available.size());
}

TEST_F(MainWindowTest, ALoadGrowsTheWindowToShowEveryRunnerInsideTheScreen)
{
    gen::Generator generator(3);
    gen::CourseDayOptions options;
    options.date = QDate(2026, 11, 28);
    gen::CourseDay day = generator.courseDay(options);
    const auto largest = std::max_element(day.races.begin(), day.races.end(),
                                          [](const auto &a, const auto &b) { return a.registered < b.registered; });
    ASSERT_EQ(largest->registered, 18) << "the generator makes full fields";
    ASSERT_TRUE(gen::WriteCourseDayFiles(day, m_context.dataDir()));
    auto form = open();
    form->show();
    EXPECT_EQ(form->size(), QSize(630, 450));
    load(*form, QString::fromStdString(day.nameUtf8()));
    auto *tabs = child<QTabBar>(*form, "TabControl1Tabs");
    tabs->setCurrentIndex(static_cast<int>(largest - day.races.begin()));
    auto *grid = child<QTableWidget>(*form, "StringGrid1");
    ASSERT_EQ(grid->rowCount(), 18);
    QApplication::processEvents();
    const QRect available = form->screen()->availableGeometry();
    EXPECT_TRUE(available.contains(form->frameGeometry()));
    // As far as the screen allows: every row and column, or the whole height and width of the screen.
    if (form->frameGeometry().height() < available.height()) {
        EXPECT_LE(grid->verticalHeader()->length(), grid->viewport()->height()) << "rows 17 and 18 are shown";
    }
    if (form->frameGeometry().width() < available.width()) {
        EXPECT_LE(grid->horizontalHeader()->length(), grid->viewport()->width()) << "every column is shown";
    }
    EXPECT_GT(form->height(), 450);
    EXPECT_GT(form->width(), 630);
}

/**
 * Whether `frame` (device-independent pixels) lies on the screen in device pixels too: a
 * screen of n device-independent pixels has n times the scale device pixels at a whole
 * scale, and at least (n - 0.5) times the scale at a fractional one.
 */
bool OnTheScreen(const QRect &frame, const QScreen &screen)
{
    const qreal ratio = screen.devicePixelRatio();
    const QRect area = screen.availableGeometry();
    const bool whole = qFuzzyCompare(ratio, std::round(ratio));
    const auto end = [ratio](int start, int length) { return qRound(start * ratio) + qRound(length * ratio); };
    const auto pixels = [ratio, whole](int length) {
        return whole ? length * ratio : std::ceil((length - 0.5) * ratio);
    };
    return area.contains(frame) && end(frame.x(), frame.width()) <= area.x() * ratio + pixels(area.width()) &&
           end(frame.y(), frame.height()) <= area.y() * ratio + pixels(area.height());
}

TEST_F(MainWindowTest, TheDataListLeavesTheGridWholeAndGivesTheRoomBackAtEveryScale)
{
    auto form = openShowingADay();
    auto *grid = child<QTableWidget>(*form, "StringGrid1");
    const QRect loaded = form->geometry();
    const QRect available = form->screen()->availableGeometry();
    const auto gridIsWhole = [&] {
        return grid->horizontalHeader()->length() <= grid->viewport()->width() ||
               form->frameGeometry().width() >= available.width() - 2;
    };
    ASSERT_TRUE(gridIsWhole());
    // Rows equally tall in device pixels, so that their lines fall evenly.
    const qreal rowPixels = grid->rowHeight(0) * form->devicePixelRatio();
    EXPECT_DOUBLE_EQ(rowPixels, std::round(rowPixels));

    child<QAction>(*form, "FileOpenItem")->trigger();
    QApplication::processEvents();
    ASSERT_TRUE(child<QWidget>(*form, "Panel8")->isVisible());
    EXPECT_TRUE(gridIsWhole()) << "marks 2-4, finish and popularity stay in view";
    EXPECT_GT(form->width(), loaded.width());
    EXPECT_TRUE(OnTheScreen(form->frameGeometry(), *form->screen()));

    child<QAction>(*form, "FileOpenItem")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(form->geometry(), loaded) << "the room goes back";
}

TEST_F(MainWindowTest, ARestoredWindowStaysOnTheScreenAtEveryScale)
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    SettingsFile settings = m_context.settings();
    settings.WriteInteger(QStringLiteral("locate"), QStringLiteral("left"), available.right() - 500);
    settings.WriteInteger(QStringLiteral("locate"), QStringLiteral("top"), available.bottom() - 300);
    settings.WriteInteger(QStringLiteral("locate"), QStringLiteral("width"), 900);
    auto form = open();
    form->show();
    QApplication::processEvents();
    EXPECT_TRUE(OnTheScreen(form->frameGeometry(), *form->screen()))
        << form->frameGeometry().right() << " on " << available.right();
}

TEST_F(MainWindowTest, TheUserPredictionOpensBesideItsRowAtEveryScale)
{
    auto form = openShowingADay();
    auto *grid = child<QTableWidget>(*form, "StringGrid1");
    for (const int row : {0, 5}) {
        pickRunner(*form, row);
        QApplication::processEvents();
        const QWidget *popup = form->userWindow();
        ASSERT_TRUE(popup->isVisible());
        // The runner's cells on the screen.
        const QRect cells = grid->visualRect(grid->model()->index(row, 0))
                                .united(grid->visualRect(grid->model()->index(row, grid->columnCount() - 1)));
        const QRect rowOnScreen(grid->viewport()->mapToGlobal(cells.topLeft()), cells.size());
        const QRect frame = popup->frameGeometry();
        EXPECT_TRUE(OnTheScreen(frame, *popup->screen()));
        EXPECT_FALSE(frame.intersects(rowOnScreen))
            << "the row stays in view: " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
            << frame.height() << " row " << rowOnScreen.x() << "," << rowOnScreen.y() << " " << rowOnScreen.width()
            << " window " << form->frameGeometry().x() << " " << form->frameGeometry().width();
        EXPECT_TRUE(frame.left() > rowOnScreen.right() - 2 || frame.right() < rowOnScreen.left() + 2);
        EXPECT_LE(frame.top(), rowOnScreen.bottom()) << "level with its row";
        EXPECT_GE(frame.bottom(), rowOnScreen.top());
    }
}

TEST_F(MainWindowTest, JVInitErrorsAreToldOnceTheWindowShows)
{
    auto form = open();
    jvlink(*form).initResult = -101;
    form->show();
    ASSERT_EQ(m_messages.boxes.size(), 1u);
    EXPECT_EQ(m_messages.boxes[0].text, QStringLiteral("JVInitエラー：sid が設定されていません。(-101)"));
    form->hide();
    form->show();
    EXPECT_EQ(m_messages.boxes.size(), 1u) << "JVInit runs when the window is first shown only";
}

TEST_F(MainWindowTest, WithoutJVLinkTheProgramEnds)
{
    GuiContext missing{m_messages, m_desktop, [](const QString &) { return std::unique_ptr<JVLink>(); }, m_root.path()};
    EXPECT_FALSE(JVLinkInstalled(missing));
    EXPECT_EQ(m_messages.texts(),
              QStringList{QStringLiteral("JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。")});
    EXPECT_EQ(m_messages.beeps, 1);
    EXPECT_TRUE(JVLinkInstalled(m_context));
}

TEST_F(MainWindowTest, TheDataButtonListsCourseDaysLatestFirstAndTogglesTheList)
{
    writeDay(QDate(2026, 11, 28));
    writeDay(QDate(2026, 11, 29), 12, 4);
    auto form = open();
    auto *button = child<QToolButton>(*form, "SpeedButton1");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(child<QWidget>(*form, "Panel8")->isHidden());
    const QStringList names = test::ListItems(child<QListWidget>(*form, "DatListBox"));
    ASSERT_EQ(names.size(), 2);
    EXPECT_TRUE(names[0].startsWith(QStringLiteral("2026年11月29日")));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(child<QWidget>(*form, "Panel8")->isHidden());
}

TEST_F(MainWindowTest, TheDataListShowsOddNamesEscapedAndLoadsTheDayBehindThem)
{
    const QString data = m_context.dataDir() + QLatin1Char('/');
    const QString day = QString::fromStdString(writeDay().nameUtf8());
    const QString broken = day + QStringLiteral("\n偽");
    for (const char *extension : {".jvRA", ".jvSEr", ".jvHR"})
        ASSERT_TRUE(QFile::copy(data + day + QLatin1String(extension), data + broken + QLatin1String(extension)));
    const QByteArray cp932 = QFile::encodeName(data + QStringLiteral("2026年11月29日")) + "\x93\x8c\x8b\x9e.jvRA";
    ASSERT_EQ(::link(QFile::encodeName(data + day + QStringLiteral(".jvRA")).constData(), cp932.constData()), 0);

    auto form = open();
    QTest::mouseClick(child<QToolButton>(*form, "SpeedButton1"), Qt::LeftButton);
    auto *list = child<QListWidget>(*form, "DatListBox");
    EXPECT_EQ(test::ListItems(list),
              (QStringList{QStringLiteral("2026年11月29日\\x93\\x8c\\x8b\\x9e"), day + QStringLiteral("\\n偽"), day}));
    EXPECT_FALSE(list->item(0)->flags() & Qt::ItemIsEnabled) << "a name that is not UTF-8 leads to no file";
    EXPECT_EQ(list->item(0)->toolTip(), UnreadableNameReason());
    EXPECT_EQ(list->currentItem(), list->item(1));
    Q_EMIT list->itemClicked(list->item(1));
    EXPECT_EQ(form->session().courseDay.fileBase(), broken);
    EXPECT_TRUE(m_messages.boxes.empty()) << m_messages.texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(MainWindowTest, LoadingACourseDayShowsRaceOneByTheLoadersRules)
{
    const gen::CourseDay day = writeDay();
    auto form = open();
    load(*form, QString::fromStdString(day.nameUtf8()));
    ASSERT_TRUE(m_messages.boxes.empty()) << m_messages.texts().join(QLatin1Char('\n')).toStdString();

    EXPECT_TRUE(child<QWidget>(*form, "Panel8")->isHidden());
    EXPECT_FALSE(child<QWidget>(*form, "TabControl1")->isHidden());
    auto *tabs = child<QTabBar>(*form, "TabControl1Tabs");
    ASSERT_EQ(tabs->count(), 12);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("1 R"));
    EXPECT_EQ(tabs->tabText(11), QStringLiteral("12 R"));

    const Session &session = form->session();
    const Prediction &p = session.prediction;
    auto *grid = child<QTableWidget>(*form, "StringGrid1");
    ASSERT_EQ(grid->rowCount(), day.races[0].registered);
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("1"));
    EXPECT_EQ(grid->item(0, 0)->text(), QString::number(day.races[0].runners[0].bracket));
    EXPECT_EQ(grid->item(p.races[1].marks.d - 1, 7)->text(), QStringLiteral("D"));
    EXPECT_EQ(grid->item(p.races[1].marks.f - 1, 9)->text(), QStringLiteral("F"));
    EXPECT_EQ(child<QLabel>(*form, "HSPanel2")->text(), QString::number(p.races[1].axisHorse));
    EXPECT_EQ(child<QLabel>(*form, "HSPanel4")->text(), Qs(GradeText(p.races[1].grade)));
    EXPECT_EQ(child<QLabel>(*form, "Label30")->text(), QString::number(p.races[1].fieldSize) + QStringLiteral("頭"));
    EXPECT_TRUE(child<QLabel>(*form, "Label1")->text().startsWith(QStringLiteral("2026年11月28日(土)")));
    EXPECT_TRUE(child<QLabel>(*form, "Panel2")->text().startsWith(QStringLiteral("  1 R ")));
    EXPECT_FALSE(child<QLabel>(*form, "Panel2")->text().startsWith(QStringLiteral("  1 R   ")));
    std::vector<std::string> quinella;
    for (int k = 1; k <= 6; ++k)
        AddBetToList(quinella, p.races[1].quinellaBets[k]);
    EXPECT_EQ(test::ListItems(child<QListWidget>(*form, "ListBox5")), QsList(quinella));
    for (const char *button : {"Button1", "Button2", "SpeedButton4"})
        EXPECT_TRUE(child<QWidget>(*form, button)->isEnabled()) << button;

    // Choosing a tab rebuilds the view by the tab's rules.
    tabs->setCurrentIndex(2);
    EXPECT_TRUE(child<QLabel>(*form, "Panel2")->text().startsWith(QStringLiteral("  3 R   ")));
    EXPECT_EQ(grid->rowCount(), day.races[2].registered);
    EXPECT_EQ(child<QLabel>(*form, "HSPanel5")->text(), QString::number(p.races[3].coverHorse));
}

TEST_F(MainWindowTest, MissingAndIncompleteDataAreTold)
{
    const gen::CourseDay day = writeDay();
    const QString name = QString::fromStdString(day.nameUtf8());
    auto form = open();
    load(*form, name);

    // A runner without bracket: incomplete data.
    QFile runners(m_context.dataDir() + QLatin1Char('/') + name + QStringLiteral(".jvSEr"));
    ASSERT_TRUE(runners.open(QIODevice::ReadWrite));
    runners.seek(555 * 18 + 27);
    runners.write(" ");
    runners.close();
    form->showCourseDay(CourseDay(name));
    EXPECT_EQ(m_messages.texts().last(), QStringLiteral("データ作成が未完了です。"));
    EXPECT_FALSE(child<QWidget>(*form, "Button2")->isEnabled());

    QFile::remove(runners.fileName());
    form->showCourseDay(CourseDay(name));
    EXPECT_EQ(m_messages.texts().last(), QStringLiteral("データ作成が未完了のようです。"));
    EXPECT_TRUE(child<QWidget>(*form, "TabControl1")->isHidden());
    EXPECT_EQ(child<QLabel>(*form, "Label1")->text(), QString());
    EXPECT_EQ(child<QTableWidget>(*form, "StringGrid1")->rowCount(), 0);
    EXPECT_EQ(m_messages.beeps, 2);
}

TEST_F(MainWindowTest, AClickOnARunnerMakesTheUsersPrediction)
{
    const gen::CourseDay day = writeDay();
    auto form = open();
    form->show();
    load(*form, QString::fromStdString(day.nameUtf8()));
    auto *tabs = child<QTabBar>(*form, "TabControl1Tabs");
    tabs->setCurrentIndex(1);
    auto *grid = child<QTableWidget>(*form, "StringGrid1");
    const QRect cell = grid->visualRect(grid->model()->index(2, 2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());

    const Session &session = form->session();
    EXPECT_EQ(session.UserAxisHorse[2], 3);
    const RaceBets &box = session.allRaces.races[2];
    EXPECT_TRUE(box.user);
    EXPECT_EQ(test::ListItems(child<QListWidget>(*form, "ListBox7")), QsList(box.quinella));
    EXPECT_TRUE(child<QLabel>(*form, "HSPanel3")->text().startsWith(QStringLiteral("[軸]:馬 3  :枠")));
    UserPredictionPopup *popup = form->userWindow();
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(child<QLabel>(*popup, "HSPanel1")->text(),
              QStringLiteral("2R[軸]:馬3:枠") + QString::number(session.UserAxisBracket[2]));
    // The other races' boxes were filled with the computed bets on the way.
    EXPECT_FALSE(session.allRaces.races[1].quinella.empty());
    EXPECT_FALSE(session.allRaces.pendingComputedBets);

    // A click below the last row leaves the race's user lists empty.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(30, grid->viewport()->height() - 2));
    if (grid->rowAt(grid->viewport()->height() - 2) < 0) {
        EXPECT_EQ(form->session().UserAxisHorse[2], 0);
        EXPECT_EQ(child<QListWidget>(*form, "ListBox7")->count(), 0);
    }
}

TEST_F(MainWindowTest, AllBetsAndGraphNeedALoadedDay)
{
    auto form = open();
    QTest::mouseClick(child<QPushButton>(*form, "Button2"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(*form, "Button1"), Qt::LeftButton);
    ASSERT_EQ(m_messages.boxes.size(), 2u);
    for (const auto &box : m_messages.boxes) {
        EXPECT_EQ(box.kind, QStringLiteral("exclamation"));
        EXPECT_EQ(box.text, QStringLiteral("分析に必要なJRA-VANのデータを読み込んでください。"));
        EXPECT_EQ(box.caption, QStringLiteral("データを読み込んでください。"));
    }
}

TEST_F(MainWindowTest, AllBetsShowsTheBoxesAndTheHitList)
{
    const gen::CourseDay day = writeDay();
    auto form = open();
    load(*form, QString::fromStdString(day.nameUtf8()));
    QString memo;
    whenModal([&](QWidget *modal) {
        EXPECT_EQ(modal, form->allRacesWindow());
        memo = modal->findChild<QPlainTextEdit *>(QStringLiteral("Memo1"))->toPlainText();
    });
    QTest::mouseClick(child<QPushButton>(*form, "Button2"), Qt::LeftButton);
    QStringList expected;
    for (const std::string &line : HitList(form->session().card, form->session().prediction))
        expected.append(Qs(line));
    EXPECT_EQ(memo, expected.join(QLatin1Char('\n')));
    EXPECT_FALSE(form->session().allRaces.races[12].quinella.empty());

    whenModal([](QWidget *modal) { EXPECT_EQ(modal->windowTitle(), QStringLiteral("グラフ")); });
    QTest::mouseClick(child<QPushButton>(*form, "Button1"), Qt::LeftButton);
}

TEST_F(MainWindowTest, TheResultButtonMergesTheDaysResultsAndReloads)
{
    gen::Generator generator(5);
    gen::CourseDayOptions options;
    options.date = QDate(2026, 11, 28);
    const gen::CourseDay results = generator.courseDay(options);
    gen::CourseDay before = results; // the day's files as they were before the payouts came
    before.payoutRecords.clear();
    ASSERT_TRUE(gen::WriteCourseDayFiles(before, m_context.dataDir()));
    const QString name = QString::fromStdString(results.nameUtf8());
    auto form = open();
    load(*form, name);
    EXPECT_EQ(form->session().card.PayoutRecords[1], std::string(719, ' '));

    ScriptedJVLink &jv = jvlink(*form);
    for (const std::string &record : results.payoutRecords)
        jv.script({ScriptedJVLink::Record(record)});
    jv.script({ScriptedJVLink::Code(0)});
    QTest::mouseClick(child<QPushButton>(*form, "KekkaGetBtn"), Qt::LeftButton);
    EXPECT_EQ(jv.rtSpec, QStringLiteral("0B12"));
    EXPECT_EQ(jv.rtKey, QStringLiteral("20261128"));
    EXPECT_EQ(jv.count("JVClose"), 2);
    EXPECT_NE(form->session().card.PayoutRecords[1], std::string(719, ' ')) << "the card was reloaded with payouts";
    EXPECT_TRUE(child<QPushButton>(*form, "KekkaGetBtn")->isEnabled());
}

TEST_F(MainWindowTest, AResultFetchKeepsTheShownRaceAndTheUsersPredictions)
{
    gen::Generator generator(5);
    gen::CourseDayOptions options;
    options.date = QDate(2026, 11, 28);
    const gen::CourseDay results = generator.courseDay(options);
    gen::CourseDay before = results;
    before.payoutRecords.clear();
    ASSERT_TRUE(gen::WriteCourseDayFiles(before, m_context.dataDir()));
    auto form = open();
    form->show();
    load(*form, QString::fromStdString(results.nameUtf8()));

    // The user's own bets on 3R and 12R, 12R in view.
    auto *tabs = child<QTabBar>(*form, "TabControl1Tabs");
    tabs->setCurrentIndex(2);
    pickRunner(*form, 4);
    tabs->setCurrentIndex(11);
    pickRunner(*form, 1);
    const Session &session = form->session();
    const RaceBets race3 = session.allRaces.races[3];
    const RaceBets race12 = session.allRaces.races[12];
    const QStringList shownUserBets = test::ListItems(child<QListWidget>(*form, "ListBox7"));
    ASSERT_FALSE(shownUserBets.isEmpty());

    ScriptedJVLink &jv = jvlink(*form);
    for (const std::string &record : results.payoutRecords)
        jv.script({ScriptedJVLink::Record(record)});
    jv.script({ScriptedJVLink::Code(0)});
    QTest::mouseClick(child<QPushButton>(*form, "KekkaGetBtn"), Qt::LeftButton);

    EXPECT_NE(session.card.PayoutRecords[12], std::string(719, ' ')) << "the payouts came";
    EXPECT_EQ(tabs->currentIndex(), 11) << "12R stays in view";
    EXPECT_TRUE(child<QLabel>(*form, "Panel2")->text().startsWith(QStringLiteral(" 12 R")));
    EXPECT_EQ(test::ListItems(child<QListWidget>(*form, "ListBox7")), shownUserBets);
    EXPECT_EQ(session.UserAxisHorse[3], 5);
    EXPECT_EQ(session.UserAxisHorse[12], 2);
    for (const auto &[race, kept] : {std::pair{3, race3}, std::pair{12, race12}}) {
        const RaceBets &box = session.allRaces.races[static_cast<size_t>(race)];
        EXPECT_TRUE(box.user) << race;
        EXPECT_EQ(box.quinella, kept.quinella) << race;
        EXPECT_EQ(box.bracket, kept.bracket) << race;
    }
    EXPECT_FALSE(session.allRaces.races[4].user);
    EXPECT_EQ(
        form->statusBar()->currentMessage(),
        QStringLiteral("結果情報：成績 0レース、払戻 %1レースを取り込みました。").arg(results.payoutRecords.size()));

    // The same results again bring nothing new.
    for (const std::string &record : results.payoutRecords)
        jv.script({ScriptedJVLink::Record(record)});
    jv.script({ScriptedJVLink::Code(0)});
    QTest::mouseClick(child<QPushButton>(*form, "KekkaGetBtn"), Qt::LeftButton);
    EXPECT_EQ(form->statusBar()->currentMessage(), QStringLiteral("結果情報：新しい結果はありませんでした。"));
    EXPECT_EQ(tabs->currentIndex(), 11);
}

/** A day whose payouts a result fetch brings, loaded, with JV-Link scripted to bring them. */
class ResultFetchTest : public MainWindowTest
{
  protected:
    void SetUp() override
    {
        gen::Generator generator(5);
        gen::CourseDayOptions options;
        options.date = QDate(2026, 11, 28);
        m_results = generator.courseDay(options);
        gen::CourseDay before = m_results;
        before.payoutRecords.clear();
        ASSERT_TRUE(gen::WriteCourseDayFiles(before, m_context.dataDir()));
        m_other = writeDay(QDate(2026, 11, 29), 12, 4);
        m_form = open();
        load(*m_form, QString::fromStdString(m_results.nameUtf8()));
        ScriptedJVLink &jv = jvlink(*m_form);
        for (const std::string &record : m_results.payoutRecords)
            jv.script({ScriptedJVLink::Record(record)});
        jv.script({ScriptedJVLink::Code(0)});
    }

    /** Runs `during` while the fetch reads its second record, then lets the fetch end. */
    void fetchWhile(std::function<void()> during)
    {
        ScriptedJVLink &jv = jvlink(*m_form);
        jv.hookAtRead = 2;
        jv.hook = std::move(during);
        child<QPushButton>(*m_form, "KekkaGetBtn")->click();
        ASSERT_EQ(jv.count("JVRead"), static_cast<int>(m_results.payoutRecords.size()) + 1);
    }

    QString news() const
    {
        return QStringLiteral("結果情報：成績 0レース、払戻 %1レースを取り込みました。")
            .arg(m_results.payoutRecords.size());
    }

    gen::CourseDay m_results;
    gen::CourseDay m_other;
    std::unique_ptr<MainWindow> m_form;
};

TEST_F(ResultFetchTest, NoOtherDayIsLoadedAndNothingElseWritesWhileItRuns)
{
    const QString busy =
        QStringLiteral("結果情報の取得を実行中です。その処理が終わってから、もう一度実行してください。");
    fetchWhile([&] {
        auto *list = child<QListWidget>(*m_form, "DatListBox");
        const auto other = list->findItems(QString::fromStdString(m_other.nameUtf8()), Qt::MatchExactly);
        ASSERT_EQ(other.size(), 1);
        list->setCurrentItem(other.front());
        Q_EMIT list->itemClicked(other.front());
        QTest::mouseClick(child<QPushButton>(*m_form, "TekiAnaBtn"), Qt::LeftButton);
        child<QAction>(*m_form, "JV1")->trigger();
        Q_EMIT m_form->allRacesWindow()->saveTextRequested();
    });
    // The fetch asked for, stored and reported on the day loaded when it started.
    EXPECT_EQ(jvlink(*m_form).rtKey, QStringLiteral("20261128"));
    EXPECT_EQ(m_form->session().courseDay.fileBase(), QString::fromStdString(m_results.nameUtf8()));
    EXPECT_NE(m_form->session().card.PayoutRecords[1], std::string(719, ' '));
    EXPECT_EQ(m_form->statusBar()->currentMessage(), news());
    // Within the program the person hears that the fetch runs, not that another program writes.
    ASSERT_EQ(m_messages.boxes.size(), 4u) << m_messages.texts().join(QLatin1Char('\n')).toStdString();
    for (const auto &box : m_messages.boxes) {
        EXPECT_EQ(box.kind, QStringLiteral("exclamation"));
        EXPECT_EQ(box.text, busy);
    }
    EXPECT_EQ(jvlink(*m_form).count("JVOpen"), 0) << "no import was started";
    EXPECT_FALSE(QFileInfo::exists(m_root.path() + QStringLiteral("/HPupload")));
    EXPECT_FALSE(QFileInfo::exists(m_root.path() + QStringLiteral("/TXT")));

    // Once it has ended, the other day loads and the hits export.
    load(*m_form, QString::fromStdString(m_other.nameUtf8()));
    EXPECT_EQ(m_form->session().courseDay.fileBase(), QString::fromStdString(m_other.nameUtf8()));
    QTest::mouseClick(child<QPushButton>(*m_form, "TekiAnaBtn"), Qt::LeftButton);
    EXPECT_TRUE(QFileInfo::exists(m_root.path() + QStringLiteral("/HPupload/Manbaken.txt")));
}

TEST_F(ResultFetchTest, TheRaceAndUserPredictionsChosenDuringItStay)
{
    auto *tabs = child<QTabBar>(*m_form, "TabControl1Tabs");
    tabs->setCurrentIndex(2);
    fetchWhile([&] {
        tabs->setCurrentIndex(5);
        pickRunner(*m_form, 3);
    });
    EXPECT_EQ(tabs->currentIndex(), 5) << "the race chosen during the fetch stays";
    EXPECT_TRUE(child<QLabel>(*m_form, "Panel2")->text().startsWith(QStringLiteral("  6 R")));
    const Session &session = m_form->session();
    EXPECT_TRUE(session.allRaces.races[6].user);
    EXPECT_EQ(session.UserAxisHorse[6], 4);
    EXPECT_EQ(test::ListItems(child<QListWidget>(*m_form, "ListBox7")), QsList(session.allRaces.races[6].quinella));
    EXPECT_EQ(m_form->statusBar()->currentMessage(), news());
}

TEST_F(ResultFetchTest, TheKeyboardIsNotLeftOnAnExportButton)
{
    m_form->show();
    QApplication::setActiveWindow(m_form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    auto *fetch = child<QPushButton>(*m_form, "KekkaGetBtn");
    fetch->setFocus();
    QTest::keyClick(fetch, Qt::Key_Space);
    ASSERT_EQ(m_form->statusBar()->currentMessage(), news());
    EXPECT_EQ(QApplication::focusWidget(), child<QTableWidget>(*m_form, "StringGrid1")) << "the reloaded day";

    // Nothing new: not on "的中" either, where Space would export and switch the day.
    ScriptedJVLink &jv = jvlink(*m_form);
    jv.script({ScriptedJVLink::Code(0)});
    fetch->setFocus();
    QTest::keyClick(fetch, Qt::Key_Space);
    EXPECT_EQ(m_form->statusBar()->currentMessage(), QStringLiteral("結果情報：新しい結果はありませんでした。"));
    EXPECT_NE(QApplication::focusWidget(), child<QPushButton>(*m_form, "TekiAnaBtn"));
    EXPECT_NE(QApplication::focusWidget(), child<QPushButton>(*m_form, "TekiAnaBtn2"));
}

TEST_F(MainWindowTest, EverythingWorksFromTheKeyboard)
{
    const gen::CourseDay older = writeDay(QDate(2026, 11, 28));
    writeDay(QDate(2026, 11, 29), 12, 4);
    QFile help(m_root.path() + QStringLiteral("/VelmoraHelp.html"));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    test::FixedPrinters printers(true);
    m_context.printers = &printers;
    auto form = open();
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    // The data list takes the focus with the latest day current; Down and Enter load the older one.
    child<QAction>(*form, "FileOpenItem")->trigger();
    auto *list = child<QListWidget>(*form, "DatListBox");
    EXPECT_EQ(QApplication::focusWidget(), list);
    EXPECT_EQ(list->currentRow(), 0);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(form->session().courseDay.fileBase(), QString::fromStdString(older.nameUtf8()));
    EXPECT_TRUE(child<QWidget>(*form, "Panel8")->isHidden());
    // The runner grid has the focus, its first runner current (and framed).
    auto *grid = child<QTableWidget>(*form, "StringGrid1");
    EXPECT_EQ(QApplication::focusWidget(), grid);
    EXPECT_EQ(grid->currentRow(), 0);

    // Ctrl+Tab and Ctrl+PgDn go to the next race, Ctrl+Shift+Tab and Ctrl+PgUp back, round the ends.
    auto *tabs = child<QTabBar>(*form, "TabControl1Tabs");
    QTest::keyClick(form.get(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 1);
    QTest::keyClick(form.get(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 2);
    EXPECT_TRUE(child<QLabel>(*form, "Panel2")->text().startsWith(QStringLiteral("  3 R")));
    QTest::keyClick(form.get(), Qt::Key_PageUp, Qt::ControlModifier);
    QTest::keyClick(form.get(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::keyClick(form.get(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 11);

    // Arrow keys move to a runner in the grid, Enter makes it the user's axis.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(form->session().UserAxisHorse[12], 3);
    EXPECT_TRUE(form->session().allRaces.races[12].user);
    form->userWindow()->hide();
    QApplication::setActiveWindow(form.get());

    // Ctrl+P previews the race's sheet; F1 opens the help.
    QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(form->printWindow()->isVisible());
    form->printWindow()->hide();
    QApplication::setActiveWindow(form.get());
    QTest::keyClick(form.get(), Qt::Key_F1);
    ASSERT_FALSE(m_desktop.opened.empty());
    EXPECT_TRUE(m_desktop.opened.back().toLocalFile().endsWith(QStringLiteral("/VelmoraHelp.html")));
}

TEST_F(MainWindowTest, EveryMenuHasItsOwnKey)
{
    auto form = open();
    QSet<QKeySequence> keys;
    for (QAction *menu : form->menuBar()->actions()) {
        const QKeySequence key = QKeySequence::mnemonic(menu->text());
        EXPECT_FALSE(key.isEmpty()) << menu->text().toStdString();
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), form->menuBar()->actions().size());
    EXPECT_TRUE(keys.contains(QKeySequence(Qt::ALT | Qt::Key_O)));
}

TEST_F(MainWindowTest, WhenNothingOpensAFileThePersonHearsWhichFile)
{
    const gen::CourseDay day = writeDay(QDate(2026, 11, 28), 12, 8);
    QFile help(m_root.path() + QStringLiteral("/VelmoraHelp.html"));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    m_desktop.openResult = false;
    auto form = open();
    const auto lastMessage = [&] { return m_messages.boxes.empty() ? QString() : m_messages.boxes.back().text; };

    child<QAction>(*form, "HelpContentsItem")->trigger();
    EXPECT_TRUE(lastMessage().contains(QDir::toNativeSeparators(help.fileName()))) << lastMessage().toStdString();
    child<QAction>(*form, "N9")->trigger();
    EXPECT_TRUE(lastMessage().contains(QDir::toNativeSeparators(m_context.dataDir()))) << lastMessage().toStdString();

    load(*form, QString::fromStdString(day.nameUtf8()));
    QTest::mouseClick(child<QPushButton>(*form, "TekiAnaBtn"), Qt::LeftButton);
    ASSERT_EQ(m_desktop.opened.size(), 3u);
    EXPECT_TRUE(lastMessage().contains(QDir::toNativeSeparators(m_desktop.opened.back().toLocalFile())))
        << lastMessage().toStdString();
    EXPECT_FALSE(m_desktop.clipboard.isEmpty()) << "the export itself is done";
    EXPECT_EQ(m_messages.boxes.size(), 3u);
}

TEST_F(MainWindowTest, HelpOpensTheBundledHelpWhenThereIsNoCompiledHelp)
{
    QFile help(m_root.path() + QStringLiteral("/VelmoraHelp.html"));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    auto form = open();
    child<QAction>(*form, "HelpContentsItem")->trigger();
    ASSERT_FALSE(m_desktop.opened.empty());
    EXPECT_TRUE(m_desktop.opened.back().toLocalFile().endsWith(QStringLiteral("/VelmoraHelp.html")));

    QFile chm(m_root.path() + QStringLiteral("/VelmoraJdl.chm"));
    ASSERT_TRUE(chm.open(QIODevice::WriteOnly));
    chm.close();
    child<QAction>(*form, "HelpContentsItem")->trigger();
    EXPECT_TRUE(m_desktop.opened.back().toLocalFile().endsWith(QStringLiteral("/VelmoraJdl.chm")));
}

TEST(HelpPageTest, EveryTopicOfItsContentsIsThere)
{
    QFile file(QStringLiteral(VELMORA_HELP_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    QStringList links;
    for (const auto &match : QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(page))
        links.append(match.captured(1));
    for (const QString &topic :
         {QStringLiteral("hits"), QStringLiteral("backtest"), QStringLiteral("keyboard"), QStringLiteral("jvlink")})
        EXPECT_TRUE(links.contains(topic)) << topic.toStdString();
    for (const QString &link : links)
        EXPECT_TRUE(page.contains(QStringLiteral("id=\"%1\"").arg(link))) << link.toStdString();
}

TEST_F(MainWindowTest, TheHitButtonsExportTheDaysHitsAndOpenTheFile)
{
    const gen::CourseDay day = writeDay(QDate(2026, 11, 28), 12, 8);
    writeDay(QDate(2026, 11, 29), 12, 9);
    auto form = open();
    auto *button = child<QPushButton>(*form, "TekiAnaBtn");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(m_desktop.opened.empty()) << "nothing is selected in the data list";

    load(*form, QString::fromStdString(day.nameUtf8()));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(m_desktop.opened.size(), 1u) << m_messages.texts().join(QLatin1Char('\n')).toStdString();
    const QString exported = m_desktop.opened.front().toLocalFile();
    EXPECT_TRUE(exported.endsWith(QStringLiteral("/HPupload/TK2026112806.txt"))) << exported.toStdString();
    EXPECT_TRUE(QFileInfo(m_root.path() + QStringLiteral("/HPupload/Manbaken.txt")).isFile());
    EXPECT_TRUE(m_desktop.clipboard.startsWith(QStringLiteral("<br /><img src=\"./image/balist.gif\">")));
    EXPECT_TRUE(m_desktop.clipboard.endsWith(QStringLiteral("\r\n")));
}

TEST_F(MainWindowTest, AnExportKeepsTheShownDayRaceAndUserPredictions)
{
    const gen::CourseDay day = writeDay(QDate(2026, 11, 28), 12, 8);
    writeDay(QDate(2026, 11, 28), 12, 9, "05");
    auto form = open();
    load(*form, QString::fromStdString(day.nameUtf8()));
    child<QTabBar>(*form, "TabControl1Tabs")->setCurrentIndex(4);
    pickRunner(*form, 2);
    form->userWindow()->hide();
    auto *pages = child<QTabWidget>(*form, "PageControl1");
    pages->setCurrentIndex(1);
    const QString heading = child<QLabel>(*form, "Panel2")->text();
    const QString userPanel = child<QLabel>(*form, "HSPanel3")->text();
    const QStringList userBets = test::ListItems(child<QListWidget>(*form, "ListBox7"));
    const QStringList userBrackets = test::ListItems(child<QListWidget>(*form, "ListBox8"));
    ASSERT_FALSE(userBets.isEmpty());
    ASSERT_FALSE(userPanel.isEmpty());

    QTest::mouseClick(child<QPushButton>(*form, "TekiAnaBtn2"), Qt::LeftButton);
    EXPECT_EQ(form->session().courseDay.fileBase(), QString::fromStdString(day.nameUtf8()))
        << "not the last course-day of the date";
    EXPECT_EQ(child<QTabBar>(*form, "TabControl1Tabs")->currentIndex(), 4);
    EXPECT_EQ(child<QLabel>(*form, "Panel2")->text(), heading);
    // The " ﾕｰｻﾞ予想 " page as it was: shown, with the user's axis and bets.
    EXPECT_EQ(pages->currentIndex(), 1);
    EXPECT_EQ(child<QLabel>(*form, "HSPanel3")->text(), userPanel);
    EXPECT_EQ(test::ListItems(child<QListWidget>(*form, "ListBox7")), userBets);
    EXPECT_EQ(test::ListItems(child<QListWidget>(*form, "ListBox8")), userBrackets);
    EXPECT_TRUE(form->session().allRaces.races[5].user);
    EXPECT_EQ(form->session().UserAxisHorse[5], 3);
}

TEST_F(MainWindowTest, AnotherWriterInTheFolderStopsResultsTextAndExport)
{
    const gen::CourseDay day = writeDay(QDate(2026, 11, 28), 12, 8);
    auto form = open();
    load(*form, QString::fromStdString(day.nameUtf8()));
    AppFolderLock other(m_root.path());
    ASSERT_TRUE(other.tryLock());
    m_messages.boxes.clear();

    QTest::mouseClick(child<QPushButton>(*form, "KekkaGetBtn"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(*form, "TekiAnaBtn"), Qt::LeftButton);
    Q_EMIT form->allRacesWindow()->saveTextRequested();
    EXPECT_EQ(jvlink(*form).count("JVRTOpen"), 0);
    EXPECT_TRUE(m_desktop.opened.empty());
    EXPECT_FALSE(QFileInfo::exists(m_root.path() + QStringLiteral("/HPupload")));
    EXPECT_FALSE(QFileInfo::exists(m_root.path() + QStringLiteral("/TXT")));
    ASSERT_EQ(m_messages.boxes.size(), 3u);
    for (const auto &box : m_messages.boxes) {
        EXPECT_EQ(box.kind, QStringLiteral("exclamation"));
        EXPECT_TRUE(box.text.contains(QDir::toNativeSeparators(m_root.path()))) << box.text.toStdString();
    }
}

TEST(QtTranslationsTest, QtsOwnDialogsAndButtonsSpeakJapanese)
{
    ASSERT_TRUE(InstallQtTranslations(*QCoreApplication::instance()));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("アドレス:"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Save"), QStringLiteral("保存(&S)"));
}

TEST(TickerTest, JoinsTheMessageLinesAndScrollsLeft)
{
    QTemporaryDir dir;
    QFile message(dir.path() + QStringLiteral("/message.txt"));
    ASSERT_TRUE(message.open(QIODevice::WriteOnly));
    message.write("abc\r\ndef\r\n");
    message.close();
    Ticker ticker;
    ticker.resize(200, 20);
    ticker.setLines(Ticker::ReadLines(message.fileName()));
    EXPECT_EQ(ticker.text(), QStringLiteral("abcdef"));
    const int start = ticker.position();
    ticker.advance();
    EXPECT_EQ(ticker.position(), start - 4);
    for (int i = 0; i < 200; ++i)
        ticker.advance();
    EXPECT_GT(ticker.position(), -QFontMetrics(ticker.font()).horizontalAdvance(ticker.text()) - 4)
        << "the text comes back from the right once it has left";

    // In a larger font the text is wider: it wraps once the new width has left, not the old one.
    const int smallWidth = QFontMetrics(ticker.font()).horizontalAdvance(ticker.text());
    QFont large = ticker.font();
    large.setPixelSize(4 * QFontInfo(ticker.font()).pixelSize());
    ticker.setFont(large);
    const int largeWidth = QFontMetrics(large).horizontalAdvance(ticker.text());
    ASSERT_GT(largeWidth, smallWidth + 8);
    int lowest = ticker.position();
    for (int i = 0; i < 400 && ticker.position() <= lowest; ++i) {
        lowest = ticker.position();
        ticker.advance();
    }
    EXPECT_LT(lowest, -smallWidth);
    EXPECT_GE(lowest, -largeWidth - 4);

    ticker.setLines(Ticker::ReadLines(dir.path() + QStringLiteral("/missing.txt")));
    EXPECT_TRUE(ticker.text().startsWith(QStringLiteral("少ない買い点数で中穴を狙って、")));
    // A pipe in the file's place would block the start of the program.
    const QString pipe = dir.path() + QStringLiteral("/pipe.txt");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_TRUE(Ticker::ReadLines(pipe).isEmpty());
}

} // namespace
} // namespace velmora::gui
