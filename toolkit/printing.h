#pragma once
#include "bitmap.h"

class QPainter;
class QPrinter;
class QRect;

// The process-wide printer that the print and printer-setup dialogs configure.
QPrinter& SharedPrinter();

// One page with the bitmap as large as the printable area allows, its aspect kept, at the
// area's top-left corner. (One bitmap pixel per printer dot would make an 800 x 600 view a
// 17 x 12 mm patch on a 1200-dpi page.)
void PrintBitmap(const TBitmap& bitmap);
// The same on a given printer; false when the bitmap is empty or the printer cannot start.
bool PrintBitmapTo(QPrinter& printer, const TBitmap& bitmap);
// Draws bitmap into the printable area (device pixels, origin at its top-left corner) of the
// device painter paints on, as PrintBitmapTo places it.
void DrawBitmapOnPage(QPainter& painter, const QRect& printable, const TBitmap& bitmap);

// Places a copy of bitmap on the clipboard.
void CopyBitmapToClipboard(const TBitmap& bitmap);
