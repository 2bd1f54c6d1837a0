// velmora-bare: the smallest Qt Widgets program with a window of the desktop program's
// size (630 x 450). The start-up benchmark sets it against velmora; with
// VELMORA_QUIT_AFTER_FIRST_PAINT set it ends once its window has been painted.
#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

class Window : public QWidget
{
  protected:
    void paintEvent(QPaintEvent *event) override
    {
        QWidget::paintEvent(event);
        if (!m_painted && qEnvironmentVariableIsSet("VELMORA_QUIT_AFTER_FIRST_PAINT"))
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        m_painted = true;
    }

  private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Window window;
    window.resize(630, 450);
    window.show();
    return QApplication::exec();
}
