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

struct GuiContext;

/**
 * The all-races window "全レース買い目": twelve race boxes with each race's grade,
 * axis and bets (computed in black, the user's in blue), and the hit list page.
 * It shows the session's all-races model; the boxes are reached by index through
 * the control arrays ArListBox1 (quinella lists), ArListBox2 (bracket-quinella
 * lists) and ArPanel1 (grade and axis panels). Created once, shown modally.
 */
class AllRacesWindow : public QDialog
{
    Q_OBJECT

  public:
    AllRacesWindow(Session &session, GuiContext &context, QWidget *parent = nullptr);

    /** Shows the boxes as the session's all-races model holds them (captions, panels, lists, colours). */
    void showBets();

    /**
     * The "全買い目" command once the day has enough races: the heading takes the
     * main window's date line, the boxes are refreshed from the computed bets when a
     * load has not been copied yet, the hit list is rebuilt, and the window is shown modally.
     */
    void openFor(const QString &dateLine);

    /** The title bar HSPanel13: the date line the window was last opened with. */
    QString headingText() const;

    const TArCntrl<QListWidget> &ArListBox1() const { return m_quinellaLists; }
    const TArCntrl<QListWidget> &ArListBox2() const { return m_bracketLists; }
    const TArCntrl<QLabel> &ArPanel1() const { return m_panels; }

  Q_SIGNALS:
    /** "印刷(&P)": print all races' bets. */
    void printRequested();
    /** "ﾃｷｽﾄ保存(&S)" (hidden): save all races' bets as text. */
    void saveTextRequested();

  private:
    void prepare(const QString &dateLine);
    void MsgBitBtn1Click();
    void MsgBitBtn3Click();

    Session &m_session;
    GuiContext &m_context;
    TArCntrl<QListWidget> m_quinellaLists;
    TArCntrl<QListWidget> m_bracketLists;
    TArCntrl<QLabel> m_panels;
    std::array<QLabel *, kMaxRaces> m_captions{};
    QLabel *m_heading = nullptr;      // HSPanel13
    QPlainTextEdit *m_memo = nullptr; // Memo1
    QTabWidget *m_pages = nullptr;    // PageControl1
};

} // namespace velmora::gui
