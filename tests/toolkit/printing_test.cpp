#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "printer_setup_dialog.h"
#include "printing.h"

TEST(Printing, ThePictureFillsThePrintableAreaWithItsAspectKept) {
    const struct {
        QSize picture, page;
        QPoint inside, outside;  // page pixels just inside and just outside the printed picture
    } cases[] = {
        {{40, 30}, {400, 500}, {397, 297}, {200, 303}},  // wide picture, portrait page
        {{30, 40}, {500, 400}, {297, 397}, {303, 200}},  // tall picture, landscape page
    };
    for (const auto& c : cases) {
        TBitmap picture(c.picture.width(), c.picture.height());  // black
        QImage page(c.page, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        DrawBitmapOnPage(painter, page.rect(), picture);
        painter.end();
        EXPECT_EQ(page.pixelColor(c.inside), QColor(Qt::black));
        EXPECT_EQ(page.pixelColor(c.outside), QColor(Qt::white));
    }
}

TEST(PrinterSetup, OffersEveryPrinterAndAPdfFileAndSetsThePageOnOkOnly) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    for (bool ok : {true, false}) {
        QTimer::singleShot(0, [ok]() {
            auto* form = qobject_cast<TPrinterSetupForm*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            EXPECT_EQ(form->PrinterName->count(), QPrinterInfo::availablePrinterNames().size() + 1);
            EXPECT_EQ(form->PrinterName->currentData().toString(), QString());  // the PDF file
            const int paper = ok ? QPageSize::A5 : QPageSize::Letter;
            form->PaperSize->setCurrentIndex(form->PaperSize->findData(paper));
            (ok ? form->Landscape : form->Portrait)->setChecked(true);
            form->Buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        EXPECT_EQ(RunPrinterSetupDialog(printer, nullptr), ok);
    }
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A5);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
}
