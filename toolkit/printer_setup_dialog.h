#pragma once
#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QPrinter;
class QRadioButton;

// "Print setup": the user chooses the printer (any installed printer, or a PDF file) and the
// page (paper size and orientation). Qt's own page-setup dialog offers no choice of printer
// and refuses printers that are not native, such as the PDF writer used where no printer is
// installed. The form reads the printer's settings when made and writes them back only on OK.
class TPrinterSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrinterSetupForm(QPrinter& printer, QWidget* parent = nullptr);

    // Writes the chosen printer, paper size and orientation into the printer.
    void Apply();

    QComboBox* PrinterName = nullptr;  // item data: the printer's name, "" for a PDF file
    QComboBox* PaperSize = nullptr;    // item data: a QPageSize::PageSizeId
    QRadioButton* Portrait = nullptr;
    QRadioButton* Landscape = nullptr;
    QDialogButtonBox* Buttons = nullptr;

private:
    void FillPaperSizes(int keepId);

    QPrinter& printer_;
};

// Shows the form modally over owner; on OK applies the choices and returns true.
bool RunPrinterSetupDialog(QPrinter& printer, QWidget* owner);
