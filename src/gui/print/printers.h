#pragma once

#include <memory>

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace velmora::gui {

/**
 * The printers the preview window may print on, and the current one. The window
 * asks this seam, so that tests use a fixed printer (or none at all).
 */
class PrinterProvider
{
  public:
    virtual ~PrinterProvider() = default;
    /** The installed printers; empty when there is none. */
    virtual QStringList printerNames() const = 0;
    /** The current printer; null when there is none. */
    virtual QPrinter *printer() = 0;
    /** Whether the current printer writes a PDF file instead of paper. */
    virtual bool printsToPdf() const = 0;
    /** The printer-setup dialog: chooses the printer and its paper. False when cancelled. */
    virtual bool setup(QWidget *parent) = 0;
    /** Asks where a PDF shall be written; empty when the user cancelled. */
    virtual QString pdfFileName(QWidget *parent, const QString &suggestion) = 0;
};

/** The name of the built-in printer that writes PDF files, as the printer list shows it. */
inline const QString kPdfPrinterName = QStringLiteral("PDFファイルに出力 (Velmora)");

/**
 * The platform's printers and a built-in PDF printer, as current desktops ship a
 * print-to-PDF printer: a user without a paper printer still gets the sheet.
 * The PDF printer is the current one until the user chooses another.
 */
class SystemPrinters : public PrinterProvider
{
  public:
    SystemPrinters();
    ~SystemPrinters() override;

    QStringList printerNames() const override;
    QPrinter *printer() override;
    bool printsToPdf() const override;
    bool setup(QWidget *parent) override;
    QString pdfFileName(QWidget *parent, const QString &suggestion) override;

    /** Makes the named printer the current one; false when there is no such printer. */
    bool choose(const QString &name);

  private:
    std::unique_ptr<QPrinter> m_printer;
    QString m_current;
};

} // namespace velmora::gui
