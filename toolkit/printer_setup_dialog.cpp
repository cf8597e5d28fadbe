#include "printer_setup_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Paper sizes offered for a PDF file, and for a printer that lists none.
constexpr QPageSize::PageSizeId kCommonSizes[] = {
    QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::B5,
    QPageSize::Letter, QPageSize::Legal, QPageSize::Executive, QPageSize::Tabloid,
};

}  // namespace

TPrinterSetupForm::TPrinterSetupForm(QPrinter& printer, QWidget* parent)
    : QDialog(parent), printer_(printer) {
    setWindowTitle(QStringLiteral("Print Setup"));

    auto* printerBox = new QGroupBox(QStringLiteral("Printer"), this);
    PrinterName = new QComboBox(printerBox);
    for (const QString& name : QPrinterInfo::availablePrinterNames()) PrinterName->addItem(name, name);
    PrinterName->addItem(QStringLiteral("PDF file"), QString());
    const bool native = printer.outputFormat() == QPrinter::NativeFormat;
    const QString current = native ? printer.printerName() : QString();
    const int at = PrinterName->findData(current);
    PrinterName->setCurrentIndex(at >= 0 ? at : PrinterName->count() - 1);
    auto* printerForm = new QFormLayout(printerBox);
    printerForm->addRow(QStringLiteral("Name:"), PrinterName);

    auto* paperBox = new QGroupBox(QStringLiteral("Paper"), this);
    PaperSize = new QComboBox(paperBox);
    auto* paperForm = new QFormLayout(paperBox);
    paperForm->addRow(QStringLiteral("Size:"), PaperSize);

    auto* orientationBox = new QGroupBox(QStringLiteral("Orientation"), this);
    Portrait = new QRadioButton(QStringLiteral("Portrait"), orientationBox);
    Landscape = new QRadioButton(QStringLiteral("Landscape"), orientationBox);
    (printer.pageLayout().orientation() == QPageLayout::Landscape ? Landscape : Portrait)
        ->setChecked(true);
    auto* orientationColumn = new QVBoxLayout(orientationBox);
    orientationColumn->addWidget(Portrait);
    orientationColumn->addWidget(Landscape);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pageRow = new QHBoxLayout;
    pageRow->addWidget(paperBox, 1);
    pageRow->addWidget(orientationBox);
    auto* column = new QVBoxLayout(this);
    column->addWidget(printerBox);
    column->addLayout(pageRow);
    column->addWidget(Buttons);

    FillPaperSizes(printer.pageLayout().pageSize().id());
    // Another printer offers other paper; the chosen size stays when the new one has it.
    connect(PrinterName, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this]() { FillPaperSizes(PaperSize->currentData().toInt()); });
}

void TPrinterSetupForm::FillPaperSizes(int keepId) {
    QList<QPageSize> sizes;
    const QString name = PrinterName->currentData().toString();
    if (!name.isEmpty()) sizes = QPrinterInfo::printerInfo(name).supportedPageSizes();
    if (sizes.isEmpty())
        for (QPageSize::PageSizeId id : kCommonSizes) sizes.append(QPageSize(id));
    PaperSize->clear();
    for (const QPageSize& size : sizes)
        if (size.id() != QPageSize::Custom && PaperSize->findData(int(size.id())) < 0)
            PaperSize->addItem(size.name(), int(size.id()));
    int at = PaperSize->findData(keepId);
    if (at < 0 && keepId != QPageSize::Custom) {  // the current paper stays choosable
        PaperSize->addItem(QPageSize(QPageSize::PageSizeId(keepId)).name(), keepId);
        at = PaperSize->count() - 1;
    }
    PaperSize->setCurrentIndex(at >= 0 ? at : 0);
}

void TPrinterSetupForm::Apply() {
    const QString name = PrinterName->currentData().toString();
    if (name.isEmpty()) {
        printer_.setOutputFormat(QPrinter::PdfFormat);
    } else {
        printer_.setOutputFormat(QPrinter::NativeFormat);
        printer_.setPrinterName(name);
    }
    printer_.setPageSize(QPageSize(QPageSize::PageSizeId(PaperSize->currentData().toInt())));
    printer_.setPageOrientation(Landscape->isChecked() ? QPageLayout::Landscape
                                                       : QPageLayout::Portrait);
}

bool RunPrinterSetupDialog(QPrinter& printer, QWidget* owner) {
    TPrinterSetupForm form(printer, owner);
    if (form.exec() != QDialog::Accepted) return false;
    form.Apply();
    return true;
}
