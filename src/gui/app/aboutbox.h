#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;

namespace velmora::gui {

class Desktop;
class MessageBoxes;

/**
 * The about box "ﾊﾞｰｼﾞｮﾝ情報": the version text and a button that opens the
 * author's home page. While it is active its timer cycles the colours of the
 * main window's picture.
 */
class AboutBox : public QDialog
{
    Q_OBJECT

  public:
    AboutBox(const QString &version, QLabel *picture, Desktop &desktop, MessageBoxes &messages,
             QWidget *parent = nullptr);

    static const QString &HomePage();

  protected:
    void changeEvent(QEvent *event) override;

  private Q_SLOTS:
    /** Opens the author's home page; says so when the desktop cannot. */
    void openHomePage();
    /** One step of the picture's colour cycle. */
    void cycleColour();

  private:
    QLabel *m_picture;
    Desktop &m_desktop;
    MessageBoxes &m_messages;
    QTimer m_timer;
    int m_hue = 0;
};

} // namespace velmora::gui
