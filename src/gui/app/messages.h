#pragma once

#include <QString>

class QWidget;

namespace velmora::gui {

/**
 * The message boxes and the beep of the program. Windows ask this seam instead of
 * calling QMessageBox, so that tests can answer for the user and read what was said.
 */
class MessageBoxes
{
  public:
    virtual ~MessageBoxes() = default;
    /** An information box with an OK button. An empty caption gives "情報". */
    virtual void information(QWidget *parent, const QString &text, const QString &caption = {}) = 0;
    /** A box with the exclamation icon and an OK button. */
    virtual void exclamation(QWidget *parent, const QString &text, const QString &caption) = 0;
    /** A question with Yes and No buttons; true when the user answered Yes. */
    virtual bool question(QWidget *parent, const QString &text, const QString &caption = {}) = 0;
    /** The default beep. */
    virtual void beep() = 0;
};

/** The real boxes (QMessageBox) and beep (QApplication::beep). */
class QtMessageBoxes : public MessageBoxes
{
  public:
    void information(QWidget *parent, const QString &text, const QString &caption = {}) override;
    void exclamation(QWidget *parent, const QString &text, const QString &caption) override;
    bool question(QWidget *parent, const QString &text, const QString &caption = {}) override;
    void beep() override;
};

} // namespace velmora::gui
