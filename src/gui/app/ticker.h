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
    QString text() const;
    int position() const { return m_position; }

    /** One tick of the timer: draw position 4 pixels left, wrapping to the width. */
    void advance();

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    QStringList m_lines;
    int m_position = 0;
    QTimer m_timer;
};

} // namespace velmora::gui
