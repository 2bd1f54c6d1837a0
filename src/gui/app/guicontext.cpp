#include "gui/app/guicontext.h"

#include "core/settings/appfolderlock.h"
#include "gui/app/messages.h"

namespace velmora::gui {

std::unique_ptr<AppFolderLock> GuiContext::lockForWriting(QWidget *parent) const
{
    auto lock = std::make_unique<AppFolderLock>(appFolder);
    if (lock->tryLock())
        return lock;
    messages.beep();
    messages.exclamation(parent, lock->message(), QStringLiteral("データを書き込めません"));
    return nullptr;
}

} // namespace velmora::gui
