#pragma once

#include "gui/app/desktop.h"
#include "gui/app/messages.h"

#include <deque>
#include <vector>

#include <QStringList>
#include <QUrl>

namespace velmora::gui::test {

/** Message boxes answered by the test: records every box and beep, answers questions from a queue. */
class ScriptedMessages : public MessageBoxes
{
  public:
    struct Box
    {
        QString kind; ///< "information", "exclamation", "question"
        QString text;
        QString caption;
    };

    void information(QWidget *, const QString &text, const QString &caption = {}) override
    {
        boxes.push_back({QStringLiteral("information"), text, caption});
    }
    void exclamation(QWidget *, const QString &text, const QString &caption) override
    {
        boxes.push_back({QStringLiteral("exclamation"), text, caption});
    }
    bool question(QWidget *, const QString &text, const QString &caption = {}) override
    {
        boxes.push_back({QStringLiteral("question"), text, caption});
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void beep() override { ++beeps; }

    QStringList texts() const
    {
        QStringList list;
        for (const Box &box : boxes)
            list.append(box.text);
        return list;
    }

    std::vector<Box> boxes;
    std::deque<bool> answers; ///< Yes (true) or No for the next questions
    int beeps = 0;
};

/** A desktop that records what it was asked to open and put on the clipboard. */
class RecordingDesktop : public Desktop
{
  public:
    bool open(const QUrl &url) override
    {
        opened.push_back(url);
        return openResult;
    }
    void setClipboardText(const QString &text) override { clipboard = text; }

    std::vector<QUrl> opened;
    QString clipboard;
    bool openResult = true;
};

} // namespace velmora::gui::test
