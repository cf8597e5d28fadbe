#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "bitmap.h"
#include "printer_setup_dialog.h"
#include "printing.h"

namespace {

TBitmap Plain(int w, int h) {  // one colour: red 200, green 40, blue 10
    TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.ScanLine(y) + 3 * x;
            p[0] = 10;
            p[1] = 40;
            p[2] = 200;
        }
    return b;
}

// Answers the next modal printer-setup form with the given choices.
void AnswerSetupForm(QPageSize::PageSizeId paper, bool landscape, bool ok) {
    QTimer::singleShot(0, [=]() {
        auto* form = qobject_cast<TPrinterSetupForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        form->PaperSize->setCurrentIndex(form->PaperSize->findData(int(paper)));
        (landscape ? form->Landscape : form->Portrait)->setChecked(true);
        form->Buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
}

}  // namespace

TEST(Printing, ThePictureFillsThePrintableAreaWithItsAspectKept) {
    struct Case {
        QSize picture, page;
        QPoint inside, outside;  // page pixels just inside and just outside the printed picture
    } cases[] = {
        {{40, 30}, {400, 500}, {397, 297}, {200, 303}},  // wide picture, portrait page
        {{30, 40}, {500, 400}, {297, 397}, {303, 200}},  // tall picture, landscape page
    };
    const QColor picture(200, 40, 10);
    for (const Case& c : cases) {
        QImage page(c.page, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        DrawBitmapOnPage(painter, page.rect(), Plain(c.picture.width(), c.picture.height()));
        painter.end();
        EXPECT_EQ(page.pixelColor(2, 2), picture);
        EXPECT_EQ(page.pixelColor(c.inside), picture) << c.inside.x() << "," << c.inside.y();
        EXPECT_EQ(page.pixelColor(c.outside), QColor(Qt::white));
    }
}

TEST(PrinterSetup, OffersEveryPrinterAndAPdfFileAndSetsThePageOnOkOnly) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    {
        TPrinterSetupForm form(printer);
        const QStringList installed = QPrinterInfo::availablePrinterNames();
        ASSERT_EQ(form.PrinterName->count(), installed.size() + 1);
        for (const QString& name : installed) EXPECT_GE(form.PrinterName->findData(name), 0);
        EXPECT_EQ(form.PrinterName->currentData().toString(), QString());  // the PDF file
        EXPECT_EQ(form.PaperSize->currentData().toInt(), int(QPageSize::A4));
        EXPECT_TRUE(form.Portrait->isChecked());
    }
    AnswerSetupForm(QPageSize::A5, true, true);
    EXPECT_TRUE(RunPrinterSetupDialog(printer, nullptr));
    AnswerSetupForm(QPageSize::Letter, false, false);
    EXPECT_FALSE(RunPrinterSetupDialog(printer, nullptr));

    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A5);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
}
