// velmora-fair: the fair yardstick of the start-up benchmark. A hand-written Qt Widgets
// program whose first window shows what the desktop program's first window shows: a
// menu bar of three menus with pictured commands, two tool bars of icon and text
// commands, the blue heading panel with its shadowed lines and picture, the running
// ticker, the status line, Japanese text in the IPA fonts, Qt's Japanese translations
// loaded. It does only what that first paint needs, in the plainest way, so that the
// desktop program's start-up can be set against the cost of showing the same things.
// With VELMORA_QUIT_AFTER_FIRST_PAINT set it ends once its window has been painted.
#include "quitafterpaint.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>
#include <QVBoxLayout>

namespace {

const QString kGothic = QStringLiteral("ＭＳ ゴシック");

QFont Gothic(int pixelSize, bool bold = false)
{
    QFont font(kGothic);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QIcon Icon(const char *name)
{
    QIcon icon;
    for (const char *size : {"16x16", "22x22", "32x32"})
        icon.addFile(QStringLiteral(":/icons/%1/%2.png").arg(QLatin1String(size), QLatin1String(name)));
    return icon;
}

/** A black strip on which a red sentence runs from right to left. */
class Ticker : public QWidget
{
  public:
    explicit Ticker(QWidget *parent)
        : QWidget(parent)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_position -= 4;
            update();
        });
        m_timer.start(100);
    }

  protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.setPen(Qt::red);
        painter.drawText(m_position, 2 + fontMetrics().ascent(),
                         QStringLiteral("少ない買い点数で中穴を狙って、高配当をしっかり的中！"));
    }

  private:
    QTimer m_timer;
    int m_position = 400;
};

/** A line of text over its shadow, one pixel down and right. */
QWidget *ShadowedLine(QWidget *parent, const QString &text)
{
    auto *pair = new QWidget(parent);
    const QFont font = Gothic(16, true);
    pair->setMinimumHeight(QFontMetrics(font).height() + 2);
    for (auto [color, offset] : {std::pair{"blue", 1}, std::pair{"aqua", 0}}) {
        auto *label = new QLabel(text, pair);
        label->setFont(font);
        label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(QLatin1String(color)));
        label->move(offset, offset);
        label->resize(1200, pair->minimumHeight());
    }
    return pair;
}

class Window : public QuitsAfterFirstPaint<QMainWindow>
{
  public:
    Window()
    {
        setWindowTitle(QStringLiteral("ルクシア馬券ソフト「Velmora」 for JRA-VAN Data Lab."));
        QMenu *file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
        file->addAction(Icon("network-receive"), QStringLiteral("JVデータ取込(&G))"));
        file->addAction(Icon("document-open"), QStringLiteral("ﾃﾞｰﾀ(&O)..."));
        file->addAction(Icon("utilities-system-monitor"), QStringLiteral("成績分析(&B)..."));
        file->addAction(Icon("folder"), QStringLiteral("データファイルメンテナンス(&D)"));
        file->addAction(Icon("document-print"), QStringLiteral("印刷(&P)..."));
        file->addAction(Icon("printer"), QStringLiteral("ﾌﾟﾘﾝﾀの設定(&R)..."));
        file->addAction(Icon("system-log-out"), QStringLiteral("終了(&X)"));
        menuBar()->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(O)"))->addAction(QStringLiteral("ﾃｨｯｶを消す(&T)"));
        QMenu *help = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
        help->addAction(Icon("help-browser"), QStringLiteral("目次(&C)"));
        help->addAction(Icon("dialog-information"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."));

        QToolBar *tools = addToolBar(QStringLiteral("SpeedBar"));
        for (auto [name, text] :
             {std::pair{"network-receive", "JVデータ取得"}, std::pair{"document-open", "データ"},
              std::pair{"document-print", ""}, std::pair{"printer", ""}, std::pair{"system-log-out", ""},
              std::pair{"help-browser", ""}, std::pair{"dialog-information", ""}}) {
            auto *button = new QToolButton(tools);
            button->setIcon(Icon(name));
            button->setText(QString::fromUtf8(text));
            button->setToolButtonStyle(*text ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
            tools->addWidget(button);
        }
        addToolBarBreak();
        QToolBar *buttons = addToolBar(QStringLiteral("ButtonBar"));
        for (const char *text : {"全買い目", "勝負度ｸﾞﾗﾌ", "結果情報", "的中", "穴的中"})
            buttons->addWidget(new QPushButton(QString::fromUtf8(text), buttons));
        buttons->addWidget(new QPushButton(Icon("utilities-system-monitor"), QStringLiteral("成績分析"), buttons));
        statusBar();

        auto *central = new QWidget(this);
        auto *layout = new QVBoxLayout(central);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *header = new QWidget(central);
        header->setAutoFillBackground(true);
        QPalette palette = header->palette();
        palette.setColor(QPalette::Window, QColor(0x00, 0x40, 0x80));
        header->setPalette(palette);
        auto *grid = new QGridLayout(header);
        grid->addWidget(ShadowedLine(header, QStringLiteral("2026年11月28日(土) 東京")), 0, 0);
        grid->addWidget(ShadowedLine(header, QStringLiteral("データを選んでください")), 1, 0, 1, 3);
        auto *ticker = new Ticker(header);
        ticker->setFont(Gothic(14, true));
        ticker->setFixedHeight(20);
        ticker->setMinimumWidth(200);
        grid->addWidget(ticker, 0, 1);
        QPixmap picture(44, 44);
        picture.fill(Qt::transparent);
        auto *image = new QLabel(header);
        image->setPixmap(picture);
        grid->addWidget(image, 0, 2, 2, 1);
        auto *condition = new QLabel(header);
        condition->setFont(Gothic(13, true));
        condition->setStyleSheet(QStringLiteral("color: green; background: #ffffe1;"));
        condition->setMinimumHeight(20);
        grid->addWidget(condition, 2, 0, 1, 3);
        grid->setColumnStretch(0, 1);
        layout->addWidget(header);
        layout->addStretch(1);
        setCentralWidget(central);
        resize(630, 450);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFont::insertSubstitutions(kGothic, {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック")});
    QTranslator translator;
    if (translator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator);
    Window window;
    window.show();
    return QApplication::exec();
}
