#pragma once

#include <QDialog>

class QProgressBar;

namespace velmora::gui {

/**
 * The wait window "少々お待ちください｡" with a progress gauge. The program never
 * shows it; a load that fails on missing files makes it when it was not made yet and
 * closes it, which resets the gauge.
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
