#pragma once
#include "bitmap.h"

class QPrinter;

// The process-wide printer that the print and printer-setup dialogs configure.
QPrinter& SharedPrinter();

// One page, bitmap at the top-left corner, one bitmap pixel per device pixel.
void PrintBitmap(const TBitmap& bitmap);
// The same on a given printer; false when the bitmap is empty or the printer cannot start.
bool PrintBitmapTo(QPrinter& printer, const TBitmap& bitmap);

// Places a copy of bitmap on the clipboard.
void CopyBitmapToClipboard(const TBitmap& bitmap);
