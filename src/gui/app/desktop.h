#pragma once

#include <QString>
#include <QUrl>

namespace velmora::gui {

/** The desktop's "open" action and the clipboard, behind a seam tests can record. */
class Desktop
{
  public:
    virtual ~Desktop() = default;
    /** Opens a file, folder or address with the desktop's default program; false on failure. */
    virtual bool open(const QUrl &url) = 0;
    virtual void setClipboardText(const QString &text) = 0;
};

/** QDesktopServices and QClipboard. */
class QtDesktop : public Desktop
{
  public:
    bool open(const QUrl &url) override;
    void setClipboardText(const QString &text) override;
};

} // namespace velmora::gui
