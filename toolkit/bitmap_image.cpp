#include "bitmap_image.h"

#include <cstring>

QImage WrapBitmap(const TBitmap& bitmap) {
    if (bitmap.Empty()) return QImage();
    return QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(),
                  static_cast<qsizetype>(bitmap.Stride()), QImage::Format_BGR888);
}

QImage BitmapToImage(const TBitmap& bitmap) { return WrapBitmap(bitmap).copy(); }

TBitmap ImageToBitmap(const QImage& image) {
    TBitmap result;
    if (image.isNull()) return result;
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    result.SetSize(bgr.width(), bgr.height());
    const std::size_t rowBytes = static_cast<std::size_t>(bgr.width()) * 3;
    for (int y = 0; y < bgr.height(); ++y) std::memcpy(result.ScanLine(y), bgr.constScanLine(y), rowBytes);
    return result;
}
