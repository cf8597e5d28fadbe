#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "number_format.h"

// Text helpers shared by every file format of the program: numbers are read the way scanf
// reads them and written the way printf writes them, always with '.' as the decimal point
// whatever the user's locale; lines are written with CR LF ends and read with CR LF, LF or a
// lone CR.

// Reads fields from a text one after another, like sscanf. White space (blanks, tabs, line
// ends) before a number or word is skipped. A field that does not match fails, and so does
// every later one: scanf stops at the first mismatch, and Matched() tells how many succeeded.
class TextScanner {
public:
    explicit TextScanner(std::string text) : text_(std::move(text)) {}

    // "%i": optional sign, then hexadecimal after "0x"/"0X", octal after a leading 0, decimal
    // otherwise. "0x" without a hex digit reads as 0 and leaves the 'x'. Values beyond the
    // 32-bit range are clamped to it.
    bool ReadInt(int32_t& value);
    // "%lf" / "%f": decimal or exponent form (also "inf", "nan" and hexadecimal floats).
    bool ReadDouble(double& value);
    bool ReadFloat(float& value);
    // "%s": the next run of characters that are not white space.
    bool ReadWord(std::string& word);
    // A literal character of a format: the very next character must be c (no white space is
    // skipped, as in a format; call SkipSpace() first for " c").
    bool ReadLiteral(char c);

    void SkipSpace();
    // True when only white space is left (what scanf reports as end of input).
    bool AtEnd();
    bool Failed() const { return failed_; }
    int Matched() const { return matched_; }
    std::size_t Position() const { return pos_; }
    // The text not yet read.
    std::string_view Rest() const { return std::string_view(text_).substr(pos_); }

private:
    bool Fail() {
        failed_ = true;
        return false;
    }
    bool Succeed() {
        ++matched_;
        return true;
    }

    std::string text_;
    std::size_t pos_ = 0;
    int matched_ = 0;
    bool failed_ = false;
};

// sscanf(text, "%i%i...") into values[0..count-1]: the number of values read (0 for an
// empty text, where sscanf would say EOF).
int ScanInts(const std::string& text, int32_t* values, int count);
int ScanDoubles(const std::string& text, double* values, int count);

// atoi: leading white space, a sign and decimal digits, up to the first other character;
// 0 when there is no digit; clamped to the 32-bit range.
int32_t LenientToInt(std::string_view text);
// atof: leading white space and the longest number there; 0.0 when there is none.
double LenientToDouble(std::string_view text);

// Strict conversions for texts typed by the user: optional blanks, a sign, decimal digits or
// hexadecimal after "$" or "0x", nothing else. Anything else, or a value beyond the 32-bit
// range, throws ConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(const std::string& text);
bool TryStrToInt(const std::string& text, int32_t& value);
// Blanks around a decimal or exponent number with '.'; otherwise ConvertError
// "'<text>' is not a valid floating point value".
double StrToFloat(const std::string& text);

// Removes trailing CR and LF characters, scanning back from the last character and stopping
// at the first other one; the first character of the line is never removed.
std::string TrimLineEnd(std::string line);

// Reads a text line by line.
class LineReader {
public:
    explicit LineReader(std::string text) : text_(std::move(text)) {}

    // Reads like fgets into a buffer of bufferSize bytes: at most bufferSize - 1 characters of
    // the line, so a longer line arrives as several pieces. A piece ends after its line end
    // (CR LF, LF or a lone CR), which is returned with it; a line end that follows a piece
    // filled up to the limit is taken with that piece, so a line of exactly bufferSize - 1
    // characters is not followed by an empty piece. False at the end of the text.
    bool ReadPiece(std::size_t bufferSize, std::string& piece);
    // ReadPiece followed by TrimLineEnd.
    bool ReadLine(std::size_t bufferSize, std::string& line);
    // A whole line of any length without its line end.
    bool ReadLine(std::string& line);
    bool AtEnd() const { return pos_ >= text_.size(); }

private:
    std::string text_;
    std::size_t pos_ = 0;
};

// Throws UnwritableValueError when path holds one of separators (from TAB, CR and LF), the
// characters a text format uses between its fields or lines: read back, such a path would
// break into other fields or lines. The message names the path (the character shown as
// <TAB>, <CR> or <LF>), the character and fileKind ("a project file").
void CheckPathFitsFormat(const std::string& path, std::string_view separators,
                         const char* fileKind);

// Appends line and CR LF.
void AppendLine(std::string& out, std::string_view line);

// Reads a whole file as it is; false when it cannot be opened or read.
bool ReadTextFile(const std::string& path, std::string& text);
// Writes text to path, replacing it safely (see AtomicFileWriter); throws ImageError.
void WriteTextFile(const std::string& path, const std::string& text);
