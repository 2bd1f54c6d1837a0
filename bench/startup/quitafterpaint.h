#pragma once

#include <QCoreApplication>
#include <QPaintEvent>
#include <QTimer>

/**
 * A window that, with VELMORA_QUIT_AFTER_FIRST_PAINT set, ends the program once it has
 * been painted, as the desktop program does for the start-up benchmark.
 */
template <class Base> class QuitsAfterFirstPaint : public Base
{
  protected:
    void paintEvent(QPaintEvent *event) override
    {
        Base::paintEvent(event);
        if (!m_painted && qEnvironmentVariableIsSet("VELMORA_QUIT_AFTER_FIRST_PAINT"))
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        m_painted = true;
    }

  private:
    bool m_painted = false;
};
