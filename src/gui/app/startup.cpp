#include "gui/app/startup.h"

#include "gui/app/guicontext.h"
#include "gui/app/messages.h"

namespace velmora::gui {

bool JVLinkInstalled(GuiContext &context)
{
    if (context.jvlinkFactory && context.jvlinkFactory(kJVLinkClassName))
        return true;
    context.messages.beep();
    context.messages.information(
        nullptr, QStringLiteral("JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。"));
    return false;
}

} // namespace velmora::gui
