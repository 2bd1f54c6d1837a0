#pragma once

#include "core/print/geometry.h"
#include "core/print/page.h"

#include <optional>

#include <QWidget>

class QPrinter;

namespace velmora::gui {

class PrinterProvider;

/** The error of the preview when no printer is installed. */
inline const QString kNoPrinter = QStringLiteral("プリンタが登録されていません");

/**
 * The page preview control: holds one recorded page, shows it as a scaled sheet
 * of paper with its printable area, and sends it unscaled to the printer. The
 * page is replayed from its display list, so preview, paper and PDF are one path.
 */
class PagePreview : public QWidget
{
    Q_OBJECT

  public:
    PagePreview(PrinterProvider &printers, QWidget *parent = nullptr);

    PageGeometry &geometry() { return m_geometry; }
    int ZoomScale() const { return m_geometry.ZoomScale(); }
    /** 25..200 percent; other values and the current one are ignored. */
    void SetZoomScale(int percent);

    /** Fails with kNoPrinter when no printer is installed. */
    bool CheckPrinter(QString *error) const;

    /** Starts a document and records the page (NewDocument, the drawing, FinishDocument). */
    bool setPage(const Page &page, QString *error);
    const std::optional<Page> &page() const { return m_page; }

    /** Sends the page to `printer`. */
    bool Print(QPrinter &printer, const QString &title, QString *error);

    QString Title;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    PrinterMetrics metrics() const;
    /** The control takes the size of the sheet at the zoom, with a 10-pixel border. */
    void fitToSheet();

    PrinterProvider &m_printers;
    PageGeometry m_geometry;
    std::optional<Page> m_page;
};

} // namespace velmora::gui
