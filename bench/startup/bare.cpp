// velmora-bare: the smallest Qt Widgets program with a window of the desktop program's
// size (630 x 450). The start-up benchmark sets it against velmora; with
// VELMORA_QUIT_AFTER_FIRST_PAINT set it ends once its window has been painted.
#include "quitafterpaint.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QuitsAfterFirstPaint<QWidget> window;
    window.resize(630, 450);
    window.show();
    return QApplication::exec();
}
