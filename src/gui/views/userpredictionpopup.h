#pragma once

#include "core/report/userprediction.h"

#include <QDialog>

class QLabel;
class QListWidget;

namespace velmora::gui {

/**
 * The popup "ユーザー予想": the title and the two bet lists of the user's last
 * click on a runner. Shown without being modal; it hides itself as soon as it
 * loses activation.
 */
class UserPredictionPopup : public QDialog
{
    Q_OBJECT

  public:
    explicit UserPredictionPopup(QWidget *parent = nullptr);

    /**
     * Fills the title and the two bet lists and shows the window, beside `anchor` (the
     * grid row it belongs to, in global coordinates) when one is given.
     */
    void showPrediction(const UserPrediction &prediction, const QRect &anchor = {});

  protected:
    void changeEvent(QEvent *event) override;

  private:
    QLabel *m_title = nullptr;
    QListWidget *m_quinella = nullptr;
    QListWidget *m_bracket = nullptr;
};

} // namespace velmora::gui
