#pragma once

#include "core/jvlink/jvlink.h"
#include "core/report/hitexport.h"
#include "core/report/raceview.h"
#include "core/report/session.h"
#include "core/settings/settingsfile.h"

#include <memory>

#include <QMainWindow>

class QAction;
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
 * the status line. It owns the session (race card, prediction, user axis, the
 * all-races boxes), the JV-Link instance JVLink1 and the windows created at start.
 */
class MainWindow : public QMainWindow
{
    Q_OBJECT

  public:
    explicit MainWindow(GuiContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    /** Creates the data folder when it is missing; false (after saying so) when it cannot. */
    bool EnsureDataFolder();

    Session &session() { return m_session; }
    JVLink *jvlink() const { return m_jvlink.get(); }
    AllRacesWindow *allRacesWindow() const { return m_allRacesWindow; }
    UserPredictionPopup *userWindow() const { return m_userPopup; }
    PreviewWindow *printWindow() const { return m_previewWindow; }
    /** The backtest window, once "成績分析" has opened it. */
    BacktestWindow *backtestWindow() const { return m_backtest; }

    // Commands, named as the controls that run them.
    void JVBtnClick();
    void ListDataFiles();
    void DatListBoxClick(QListWidgetItem *item);
    void OpenDataFolder();
    void FileExitItemClick();
    void T1Click();
    void HelpContentsItemClick();
    void HelpAboutItemClick();
    void Button1Click();
    void Button2Click();
    void KekkaGetBtnClick();
    void TabControl1Change(int race);
    void StringGrid1Click(int row);
    void FilePrintItemClick();
    void FilePrintSetupItemClick();
    void TekiAnaBtnClick();
    void TekiAnaBtn2Click();
    void BacktestBtnClick();

    /** Loads course-day `day` as a click on it in the data list does. */
    void LoadCourseDay(const CourseDay &day);

  protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    void buildMenus();
    void buildToolBar();
    void buildHeader();
    void failLoad(const QString &message, bool missingFiles);
    /**
     * Shows the outcome of a load: the race tabs and race `keptRace` by the tab's rules
     * when a reload keeps the race in view, or race 1 as a load shows it when it is 0.
     */
    void showLoaded(const LoadResult &result, int keptRace);
    /** Grows the window, as far as the screen allows, until the grid shows every column and the largest field. */
    void growToShowRaces();
    void setDayButtons(bool enabled);
    bool refuseWithoutRaces();
    void setDateLine(const QString &text);
    void setHeading(const QString &text);
    void showView(const RaceViewTexts &view, int race);
    void exportHits(HitThreshold threshold);
    /** Fills the data list with the stored course-days, latest first. */
    void fillDataList();
    /** The course-day a data list item loads; null for none or for a name that cannot be loaded. */
    static CourseDay courseDayOf(const QListWidgetItem *item);
    /** The item of the data list that loads course-day `day`, or for a null day the first that loads one. */
    QListWidgetItem *dataListItem(const CourseDay &day) const;
    void printAllRaces();
    void saveBetsText();

    GuiContext &m_context;
    SettingsFile m_settings;
    Session m_session;
    std::unique_ptr<JVLink> m_jvlink; // JVLink1
    std::unique_ptr<PrinterProvider> m_ownPrinters;
    PrinterProvider *m_printers = nullptr;
    RaceViewTexts m_shownView; ///< what the race view shows now: the race print reads it
    int m_shownRace = 0;
    bool m_shown = false;

    QWidget *m_dataPanel = nullptr;    // Panel8
    QListWidget *m_dataList = nullptr; // DatListBox
    RaceTabView *m_raceView = nullptr; // TabControl1
    QLabel *m_dateLine = nullptr;      // Label1
    QLabel *m_dateShadow = nullptr;    // Label23
    QLabel *m_heading = nullptr;       // Panel2
    QLabel *m_headingShadow = nullptr; // Label22
    QLabel *m_condition = nullptr;     // Panel3
    QWidget *m_tickerPanel = nullptr;  // Panel4
    Ticker *m_ticker = nullptr;        // Label29
    QLabel *m_picture = nullptr;       // Image2
    QAction *m_tickerSwitch = nullptr; // T1
    QToolButton *m_print = nullptr;    // SpeedButton4
    QPushButton *m_graph = nullptr;    // Button1
    QPushButton *m_allBets = nullptr;  // Button2
    QPushButton *m_results = nullptr;  // KekkaGetBtn

    PreviewWindow *m_previewWindow = nullptr;
    WaitWindow *m_waitWindow = nullptr;
    AllRacesWindow *m_allRacesWindow = nullptr;
    UserPredictionPopup *m_userPopup = nullptr;
    BacktestWindow *m_backtest = nullptr;
};

} // namespace velmora::gui
