#pragma once

namespace velmora::gui {

struct GuiContext;

/**
 * Tries to create the JV-Link component through the context's factory, as a test
 * that it is installed, and releases it at once. When it cannot be created the
 * user is told where to get it and false comes back: the program must end.
 */
bool JVLinkInstalled(GuiContext &context);

} // namespace velmora::gui
