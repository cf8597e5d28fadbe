#include "printing.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <memory>

#include "bitmap_image.h"
#include "image_layout.h"

QPrinter& SharedPrinter() {
    // Made on first use, after the application object exists; lives until the process ends.
    static std::unique_ptr<QPrinter> printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer;
}

void DrawBitmapOnPage(QPainter& painter, const QRect& printable, const TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    const PictureRectangle place = PlacePicture(bitmap.Width(), bitmap.Height(),
                                                printable.width(), printable.height(),
                                                /*stretch=*/true, /*proportional=*/true,
                                                /*center=*/false);
    if (place.width <= 0 || place.height <= 0) return;
    // The device scales the picture (a PDF keeps it once, at its own size); smoothing asks it
    // to interpolate rather than print blocks of dots.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRect(printable.left() + place.left, printable.top() + place.top,
                            place.width, place.height),
                      WrapBitmap(bitmap));
}

bool PrintBitmapTo(QPrinter& printer, const TBitmap& bitmap) {
    if (bitmap.Empty()) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // A printer's painter works in device pixels from the top-left corner of the printable
    // area, whose size the printer reports as its width and height.
    DrawBitmapOnPage(painter, QRect(0, 0, printer.width(), printer.height()), bitmap);
    painter.end();
    return true;
}

void PrintBitmap(const TBitmap& bitmap) { PrintBitmapTo(SharedPrinter(), bitmap); }

void CopyBitmapToClipboard(const TBitmap& bitmap) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(BitmapToImage(bitmap));
}
