#include "printing.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <memory>

#include "bitmap_image.h"

QPrinter& SharedPrinter() {
    // Made on first use, after the application object exists; lives until the process ends.
    static std::unique_ptr<QPrinter> printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer;
}

bool PrintBitmapTo(QPrinter& printer, const TBitmap& bitmap) {
    if (bitmap.Empty()) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // The painter of a printer works in device pixels: one picture pixel per printer dot,
    // measured from the top-left corner of the printable area.
    painter.drawImage(QPoint(0, 0), WrapBitmap(bitmap));
    painter.end();
    return true;
}

void PrintBitmap(const TBitmap& bitmap) { PrintBitmapTo(SharedPrinter(), bitmap); }

void CopyBitmapToClipboard(const TBitmap& bitmap) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(BitmapToImage(bitmap));
}
