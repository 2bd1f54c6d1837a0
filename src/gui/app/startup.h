#pragma once

class QCoreApplication;
class QWidget;

namespace velmora::gui {

struct GuiContext;

/**
 * Installs Qt's own Japanese translations (qtbase_ja from Qt's translations folder)
 * in `app`, so that the file dialogs, the printer dialogs and the standard buttons
 * speak Japanese like the rest of the program. False when they are not installed;
 * Qt's English texts remain then.
 */
bool InstallQtTranslations(QCoreApplication &app);

/**
 * When the environment variable VELMORA_QUIT_AFTER_FIRST_PAINT is set, ends the
 * application once `window` has been painted for the first time: the start-up
 * benchmark times the whole process from its start to its first picture.
 */
void QuitAfterFirstPaintWhenAsked(QWidget *window);

/**
 * Tries to create the JV-Link component through the context's factory, as a test
 * that it is installed, and releases it at once. When it cannot be created the
 * user is told where to get it and false comes back: the program must end.
 */
bool JVLinkInstalled(GuiContext &context);

} // namespace velmora::gui
