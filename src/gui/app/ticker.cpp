#include "gui/app/ticker.h"

#include "core/store/regularfile.h"
#include "core/text/sjis.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStringDecoder>

namespace velmora::gui {

Ticker::Ticker(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Label29"));
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setAutoFillBackground(false);
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &Ticker::advance);
    m_position = width();
    m_timer.start();
}

QString Ticker::BuiltInSentence()
{
    return QStringLiteral("少ない買い点数で中穴を狙って、高配当をしっかり的中！　ルクシア馬券ソフト「Velmora」は"
                          "独自の指数理論で毎週の的中実績を積み重ねています。");
}

QStringList Ticker::ReadLines(const QString &path)
{
    // A pipe or a folder in the ticker's place must not stop the start of the program.
    QByteArray bytes;
    if (ReadRegularFile(path, 1024 * 1024, bytes) != ReadStatus::Ok)
        return {};
    bytes.truncate(64 * 1024);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = FromSjis(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    text.remove(QLatin1Char('\r'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

void Ticker::setLines(const QStringList &lines)
{
    m_text = lines.isEmpty() ? BuiltInSentence() : lines.join(QString());
    m_textWidth = -1;
    update();
}

int Ticker::textWidth()
{
    if (m_textWidth < 0)
        m_textWidth = QFontMetrics(font()).horizontalAdvance(m_text);
    return m_textWidth;
}

void Ticker::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        m_textWidth = -1;
    QWidget::changeEvent(event);
}

void Ticker::advance()
{
    m_position -= 4;
    if (textWidth() + m_position < 0)
        m_position = width();
    update();
}

void Ticker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setPen(Qt::red);
    painter.setClipRect(rect());
    const QFontMetrics metrics(font());
    painter.drawText(m_position, 2 + metrics.ascent(), m_text);
}

} // namespace velmora::gui
