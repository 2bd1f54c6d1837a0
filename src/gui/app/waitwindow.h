#pragma once

#include <QDialog>

class QProgressBar;

namespace velmora::gui {

/**
 * The wait window "少々お待ちください｡" with a progress gauge. The program creates
 * it but never shows it; a failing load closes it, which resets the gauge.
 */
class WaitWindow : public QDialog
{
    Q_OBJECT

  public:
    explicit WaitWindow(QWidget *parent = nullptr);

  protected:
    void hideEvent(QHideEvent *event) override;

  private:
    QProgressBar *m_gauge = nullptr;
};

} // namespace velmora::gui
