#include "gui/app/messages.h"

#include <QApplication>
#include <QMessageBox>

namespace velmora::gui {

void QtMessageBoxes::information(QWidget *parent, const QString &text, const QString &caption)
{
    QMessageBox::information(parent, caption.isEmpty() ? QStringLiteral("情報") : caption, text);
}

void QtMessageBoxes::exclamation(QWidget *parent, const QString &text, const QString &caption)
{
    QMessageBox::warning(parent, caption, text);
}

bool QtMessageBoxes::question(QWidget *parent, const QString &text, const QString &caption)
{
    return QMessageBox::question(parent, caption.isEmpty() ? QStringLiteral("確認") : caption, text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtMessageBoxes::beep()
{
    QApplication::beep();
}

} // namespace velmora::gui
