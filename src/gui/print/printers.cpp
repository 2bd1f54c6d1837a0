#include "gui/print/printers.h"

#include "render/replay.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

namespace velmora::gui {

SystemPrinters::SystemPrinters()
{
    choose(kPdfPrinterName);
}

SystemPrinters::~SystemPrinters() = default;

QStringList SystemPrinters::printerNames() const
{
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.append(kPdfPrinterName);
    return names;
}

QPrinter *SystemPrinters::printer()
{
    return m_printer.get();
}

bool SystemPrinters::printsToPdf() const
{
    return m_current == kPdfPrinterName;
}

bool SystemPrinters::choose(const QString &name)
{
    if (!printerNames().contains(name))
        return false;
    const QPageLayout layout =
        m_printer ? m_printer->pageLayout() : QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    if (name == kPdfPrinterName) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setResolution(render::kPdfResolution);
    } else {
        m_printer = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
    }
    m_printer->setPageLayout(layout);
    m_current = name;
    return true;
}

bool SystemPrinters::setup(QWidget *parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("PrinterSetupDialog"));
    dialog.setWindowTitle(QStringLiteral("ﾌﾟﾘﾝﾀの設定"));
    auto *form = new QFormLayout(&dialog);
    auto *printers = new QComboBox(&dialog);
    printers->setObjectName(QStringLiteral("PrinterName"));
    printers->addItems(printerNames());
    printers->setCurrentText(m_current);
    form->addRow(QStringLiteral("プリンタ名:"), printers);
    auto *paper = new QPushButton(QStringLiteral("用紙の設定..."), &dialog);
    form->addRow(QString(), paper);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(paper, &QPushButton::clicked, &dialog, [&] {
        choose(printers->currentText());
        QPageSetupDialog pageSetup(m_printer.get(), &dialog);
        pageSetup.exec();
    });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return choose(printers->currentText());
}

QString SystemPrinters::pdfFileName(QWidget *parent, const QString &suggestion)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("PDFファイルに出力"), suggestion,
                                        QStringLiteral("PDF (*.pdf)"));
}

} // namespace velmora::gui
