#pragma once

#include "core/report/session.h"
#include "gui/views/arrctrl.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;
class QPushButton;

namespace velmora::gui {

/**
 * The all-races window "全レース買い目": twelve race boxes with each race's grade,
 * axis and bets (computed in black, the user's in blue), and the hit list page.
 * It shows an all-races model that its owner keeps; the boxes are reached by index
 * through three control arrays (quinella lists, bracket-quinella lists, grade and
 * axis panels). Created once, shown modally.
 */
class AllRacesWindow : public QDialog
{
    Q_OBJECT

  public:
    explicit AllRacesWindow(const AllRacesBets &bets, QWidget *parent = nullptr);

    /** Shows the boxes as the all-races model holds them (captions, panels, lists, colours). */
    void showBets();

    /**
     * The "全買い目" command: shows `heading` in the title bar, the boxes as the model
     * holds them and `hitList` on the hit list page, and the window modally.
     */
    void openFor(const QString &heading, const QStringList &hitList);

    const ControlArray<QListWidget> &quinellaLists() const { return m_quinellaLists; }
    const ControlArray<QListWidget> &bracketLists() const { return m_bracketLists; }
    const ControlArray<QLabel> &panels() const { return m_panels; }

  Q_SIGNALS:
    /** "印刷(&P)": print all races' bets. */
    void printRequested();
    /** "ﾃｷｽﾄ保存(&S)" (hidden): save all races' bets as text. */
    void saveTextRequested();

  private:
    const AllRacesBets &m_bets;
    ControlArray<QListWidget> m_quinellaLists;
    ControlArray<QListWidget> m_bracketLists;
    ControlArray<QLabel> m_panels;
    std::array<QLabel *, kMaxRaces> m_captions{};
    QLabel *m_heading = nullptr;
    QPlainTextEdit *m_hitList = nullptr;
    QTabWidget *m_pages = nullptr;
};

} // namespace velmora::gui
