#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace velmora::gui {

/**
 * The advertising ticker: a text that moves left by 4 pixels every 100 ms and
 * comes back in from the right once it has left on the left. The text is the
 * lines of "message.txt" joined without separators, or a built-in sentence.
 */
class Ticker : public QWidget
{
    Q_OBJECT

  public:
    explicit Ticker(QWidget *parent = nullptr);

    /** The built-in sentence shown when there are no ticker lines. */
    static QString BuiltInSentence();
    /** Reads the ticker lines of a message file (UTF-8, or CP932 when it is not UTF-8); none when missing. */
    static QStringList ReadLines(const QString &path);

    void setLines(const QStringList &lines);
    const QString &text() const { return m_text; }
    int position() const { return m_position; }

    /** One tick of the timer: draw position 4 pixels left, wrapping to the width. */
    void advance();

  protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

  private:
    /** The text's width in the ticker's font, measured once per text and font (the timer asks ten times a second). */
    int textWidth();

    QString m_text = BuiltInSentence();
    int m_textWidth = -1; ///< -1 until measured
    int m_position = 0;
    QTimer m_timer;
};

} // namespace velmora::gui
