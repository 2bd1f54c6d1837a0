#pragma once

#include "core/report/raceview.h"

#include <array>

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;
class QTabBar;
class QTabWidget;
class QTableWidget;

namespace velmora::gui {

/**
 * The race tab view of the main window: one tab per race, the owner-drawn runner
 * grid, the field size, the prediction box with grade, axis and cover horse, the
 * computer's and the user's bet lists, and the diagnostic layer. It shows
 * RaceViewTexts; what to show is computed by the core.
 */
class RaceTabView : public QWidget
{
    Q_OBJECT

  public:
    explicit RaceTabView(QWidget *parent = nullptr);

    /** Replaces the tabs without announcing a tab change. */
    void setTabs(const QStringList &captions);
    int currentRace() const;
    /** Chooses the tab `step` races on (negative: back), going round past the last or the first race. */
    void stepRace(int step);
    /** Chooses the tab of race `race` without announcing a tab change. */
    void setCurrentRace(int race);
    QTabBar *tabBar() const { return m_tabs; }
    QTableWidget *grid() const { return m_grid; }

    /** Shows the texts of one race. */
    void showRace(const RaceViewTexts &texts);
    /** Empties the tabs, the grid rows and the computer's lists and texts (a failed load). */
    void clearRace();
    /** How much taller the runner grid would have to be to show `rows` rows without scrolling; 0 when it does. */
    int hiddenRowsHeight(int rows) const;
    /**
     * Where grid row `row` (0-based) shows on the screen, as far as it is in view: global
     * device-independent pixels; the grid's visible area for a row below the runners.
     */
    QRect runnerRowOnScreen(int row) const;
    /** Sets the user page: the user's axis panel and the user's two bet lists. */
    void showUserBets(const QString &panel, const QStringList &quinella, const QStringList &bracket);

  Q_SIGNALS:
    /** Another tab was chosen: race = tab index + 1. */
    void raceChosen(int race);
    /**
     * A runner was chosen: a click on the grid (row is the 0-based row under the pointer,
     * -1 below the rows) or Enter or Space on its current row.
     */
    void runnerChosen(int row);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    /** Gives the grid's rows the height that is a whole number of device pixels at its scale. */
    void evenRowHeights();

    QTabBar *m_tabs = nullptr;
    QTableWidget *m_grid = nullptr;
    QLabel *m_fieldSize = nullptr;
    QLabel *m_fieldSizeShadow = nullptr;
    QLabel *m_grade = nullptr;
    QLabel *m_axis = nullptr;
    QLabel *m_cover = nullptr;
    QLabel *m_userPanel = nullptr;
    QTabWidget *m_pages = nullptr; ///< the computer's page and the user's page
    QListWidget *m_computerQuinella = nullptr;
    QListWidget *m_computerBracket = nullptr;
    QListWidget *m_userQuinella = nullptr;
    QListWidget *m_userBracket = nullptr;
    std::array<QLabel *, 18> m_diagnostics{}; ///< score, index, field size, X value, marks, partners
    QPushButton *m_toggleGrid = nullptr;
    bool m_followsScreen = false;
};

} // namespace velmora::gui
