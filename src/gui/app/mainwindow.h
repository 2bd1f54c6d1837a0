#pragma once

#include "core/jvlink/jvlink.h"
#include "core/report/hitexport.h"
#include "core/settings/settingsfile.h"
#include "gui/app/racepresenter.h"

#include <memory>
#include <utility>

#include <QMainWindow>

class QAction;
class QHBoxLayout;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;
class QWidget;

namespace velmora::gui {

struct GuiContext;
class PrinterProvider;
class BacktestWindow;
class RaceTabView;
class PreviewWindow;
class WaitWindow;
class AllRacesWindow;
class UserPredictionPopup;
class Ticker;

/**
 * The main window: menus and tool buttons for every command, the data list of
 * stored course-days, the race heading lines, the race tab view, the ticker and
 * the status line. What it shows of the loaded course-day comes from its presenter;
 * it owns the JV-Link instance and the windows created at start.
 */
class MainWindow : public QMainWindow
{
    Q_OBJECT

  public:
    explicit MainWindow(GuiContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    /** Creates the data folder when it is missing; false (after saying so) when it cannot. */
    bool EnsureDataFolder();

    const RacePresenter &presenter() const { return m_presenter; }
    Session &session() { return m_presenter.session(); }
    JVLink *jvlink() const { return m_jvlink.get(); }
    /** The all-races window, the user-prediction popup and the print preview, made on first use. */
    AllRacesWindow *allRacesWindow();
    UserPredictionPopup *userWindow();
    PreviewWindow *printWindow();
    /** The tabs of the races with the runner grid and the bets, made on the first load. */
    RaceTabView *raceView();
    /** The backtest window, once "成績分析" has opened it. */
    BacktestWindow *backtestWindow() const { return m_backtest; }

    /**
     * Loads course-day `day` and shows it, as choosing it in the data list does; refused,
     * with a message, while a long operation runs.
     */
    void showCourseDay(const CourseDay &day);

  protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private Q_SLOTS:
    void importData();
    /** Fills the data list and shows it, or hides it when it is shown. */
    void toggleDataList();
    void loadChosenCourseDay(QListWidgetItem *item);
    void openDataFolder();
    void switchTicker();
    void showHelp();
    void showAbout();
    void showConfidenceGraph();
    void showAllRaces();
    void fetchResults();
    void showRace(int race);
    void pickRunner(int row);
    void printRace();
    void setUpPrinter();
    void exportHits();
    void exportLongshotHits();
    void showBacktest();
    void printAllRaces();
    void saveBetsText();

  private:
    void buildMenus();
    void buildToolBar();
    void buildHeader();
    void failLoad(const QString &message, bool missingFiles);
    /** Shows the outcome of a load or a restore: the race tabs and the presenter's race in view. */
    void showLoadResult(const LoadResult &result);
    /** Shows the presenter's race in view: heading lines and the race tab view. */
    void showShownRace();
    /** Grows the window, as far as the screen allows, until the grid shows every column and the largest field. */
    void growToShowRaces();
    /**
     * Shows or hides the data list; the window grows (within its screen) by the room the
     * list takes, so that the runner grid keeps every column, and gives it back after.
     */
    void showDataList(bool shown);
    /** How much wider the window's contents ask to be than they are; negative when narrower. */
    int missingWidth();
    void setDayButtons(bool enabled);
    /** Tells the person that the desktop has no program to open a file or folder (`message` names it). */
    void sayCannotOpen(const QString &message);
    bool refuseWithoutRaces();
    /** Starts a long operation; when one runs already, says so and gives back an empty scope. */
    RacePresenter::OperationScope startOperation(Operation operation);
    /** Whether a long operation runs; the person is told so when it does. */
    bool refuseWhileBusy();
    void setDateLine(const QString &text);
    void setHeading(const QString &text);
    void exportHitsAbove(HitThreshold threshold);
    /** Fills the data list with the stored course-days, latest first. */
    void fillDataList();
    /** Shows the bets in the all-races window once it has been made. */
    void showAllRacesBets();
    /** The printers, asked for on first use (their list can take the print system a while). */
    PrinterProvider &printers();
    /** The course-day a data list item loads; null for none or for a name that cannot be loaded. */
    static CourseDay courseDayOf(const QListWidgetItem *item);
    /** The item of the data list that loads course-day `day`, or for a null day the first that loads one. */
    QListWidgetItem *dataListItem(const CourseDay &day) const;

    GuiContext &m_context;
    SettingsFile m_settings;
    RacePresenter m_presenter;
    std::unique_ptr<JVLink> m_jvlink;
    std::unique_ptr<PrinterProvider> m_ownPrinters;
    PrinterProvider *m_printers = nullptr;
    bool m_shown = false;
    /** The window's geometry before and after the data list made it grow; null while it has not. */
    std::pair<QRect, QRect> m_dataListRoom;

    QWidget *m_dataPanel = nullptr;
    QListWidget *m_dataList = nullptr;
    QHBoxLayout *m_body = nullptr; ///< the data list and, once made, the race view beside it
    RaceTabView *m_raceView = nullptr;
    QLabel *m_dateLine = nullptr;
    QLabel *m_dateShadow = nullptr;
    QLabel *m_heading = nullptr;
    QLabel *m_headingShadow = nullptr;
    QLabel *m_condition = nullptr;
    QWidget *m_tickerPanel = nullptr;
    Ticker *m_ticker = nullptr;
    QLabel *m_picture = nullptr;
    QAction *m_tickerSwitch = nullptr;
    QToolButton *m_print = nullptr;
    QPushButton *m_graph = nullptr;
    QPushButton *m_allBets = nullptr;
    QPushButton *m_results = nullptr;

    PreviewWindow *m_previewWindow = nullptr;
    WaitWindow *m_waitWindow = nullptr;
    AllRacesWindow *m_allRacesWindow = nullptr;
    UserPredictionPopup *m_userPopup = nullptr;
    BacktestWindow *m_backtest = nullptr;
};

} // namespace velmora::gui
