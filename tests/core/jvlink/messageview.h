#pragma once

#include "core/jvlink/dataimport.h"

#include <functional>

#include <QStringList>

namespace velmora::test {

/** An import view that keeps the messages and runs `onEvents` at every event pass (with its 1-based count). */
class MessageView : public SilentImportView
{
  public:
    QStringList messages;
    int events = 0;
    std::function<void(int)> onEvents;

    void showMessage(const QString &text) override { messages << text; }
    void processEvents() override
    {
        ++events;
        if (onEvents)
            onEvents(events);
    }
};

} // namespace velmora::test
