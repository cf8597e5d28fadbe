#pragma once
// Numbers in texts the program shows or writes (status panels, captions, edit boxes, files)
// always use '.' as the decimal point. The C library follows the desktop's locale once a Qt
// application runs, so plain printf would write "50,0%" on a Russian or German desktop.
#include <locale.h>

#include <string>

// printf formatting in the "C" locale, of any length: FormatText("%4.1f%%", 50.0) is " 50.0%"
// on every desktop. Only the calling thread's locale is switched, and only for the call.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The "C" locale for the *_l functions of the C library (strtod_l and the like).
locale_t CNumericLocale();
