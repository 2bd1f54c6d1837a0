#pragma once

#include "gui/print/printers.h"

#include <QPrinter>

namespace velmora::gui::test {

/** A fixed 600-dpi printer that writes PDF files, or no printer at all. */
class FixedPrinters : public PrinterProvider
{
  public:
    explicit FixedPrinters(bool installed)
        : m_installed(installed)
    {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setResolution(600);
        m_printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5)));
    }
    QStringList printerNames() const override { return m_installed ? QStringList{kPdfPrinterName} : QStringList{}; }
    QPrinter *printer() override { return m_installed ? &m_printer : nullptr; }
    bool printsToPdf() const override { return true; }
    bool setup(QWidget *) override
    {
        ++setups;
        return true;
    }
    QString pdfFileName(QWidget *, const QString &suggestion) override
    {
        suggested = suggestion;
        return pdfPath;
    }

    QString pdfPath;
    QString suggested;
    int setups = 0;

  private:
    bool m_installed;
    QPrinter m_printer{QPrinter::HighResolution};
};

} // namespace velmora::gui::test
