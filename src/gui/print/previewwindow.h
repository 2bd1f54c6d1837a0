#pragma once

#include "core/print/page.h"
#include "core/settings/settingsfile.h"

#include <QDialog>

class QButtonGroup;
class QScrollArea;
class QStatusBar;

namespace velmora::gui {

struct GuiContext;
class PrinterProvider;
class PagePreview;

/**
 * The print preview window: one page in the preview control, the zoom selector
 * (25/50/75/100 %), print and printer setup. It remembers its place
 * ("Printlocate") and zoom ("PrintZoom"). Created at start, reused by every
 * print, shown without being modal.
 */
class PreviewWindow : public QDialog
{
    Q_OBJECT

  public:
    PreviewWindow(GuiContext &context, PrinterProvider &printers, QWidget *parent = nullptr);

    PagePreview *preview() const { return m_preview; }

    /**
     * Records the page, applies the chosen zoom and shows the window. When there is
     * no printer the user is told and nothing is shown; false then.
     */
    bool showPage(const Page &page);

    /** The zoom selection: 0 = 25 %, 1 = 50 %, 2 = 75 %, 3 = 100 %; applied and stored. */
    void chooseZoom(int index);
    /** "印刷(&P)": the page to the current printer, or to a PDF file for the PDF printer. */
    void printPage();
    /** "ﾌﾟﾘﾝﾀ設定(&S)". */
    void setUpPrinter();

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    GuiContext &m_context;
    PrinterProvider &m_printers;
    SettingsFile m_settings;
    PagePreview *m_preview = nullptr;
    QButtonGroup *m_zoom = nullptr;
    QStatusBar *m_status = nullptr; ///< where a written PDF file is named
};

} // namespace velmora::gui
