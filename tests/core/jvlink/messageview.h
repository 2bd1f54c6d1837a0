#pragma once

#include "core/jvlink/dataimport.h"

#include <functional>

#include <QStringList>

namespace velmora::test {

/** An import view that keeps the messages and runs `onEvents` at every event pass (with its 1-based count). */
class MessageView : public ImportView
{
  public:
    QStringList messages;
    int events = 0;
    std::function<void(int)> onEvents;

    void setProgressLabel(const QString &) override {}
    void setDownloadProgress(int, int) override {}
    void setReadProgress(int, int) override {}
    void clearCreated() override {}
    void addCreated(const QString &) override {}
    void showMessage(const QString &text) override { messages << text; }
    void beep() override {}
    void setBusy(bool) override {}
    void setFromDate(const QDateTime &) override {}
    void processEvents() override
    {
        ++events;
        if (onEvents)
            onEvents(events);
    }
};

} // namespace velmora::test
