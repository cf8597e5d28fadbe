#include "text_io.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "atomic_file.h"
#include "image_error.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// Digits of base from text[pos], accumulated with clamping; returns the count of digits.
std::size_t ReadDigits(std::string_view text, std::size_t& pos, int base, uint64_t& magnitude) {
    std::size_t count = 0;
    while (pos < text.size() && DigitValue(text[pos]) < base) {
        if (magnitude <= (uint64_t(1) << 40)) magnitude = magnitude * base + DigitValue(text[pos]);
        ++pos;
        ++count;
    }
    return count;
}

int32_t Clamp(bool negative, uint64_t magnitude) {
    if (negative) return magnitude >= uint64_t(1) << 31 ? INT32_MIN : -static_cast<int32_t>(magnitude);
    return magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
}

// "%i" at text[pos] (no white space skipping). On success pos moves past the number.
bool ParseScanfInt(std::string_view text, std::size_t& pos, int32_t& value) {
    std::size_t p = pos;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    if (p >= text.size() || DigitValue(text[p]) >= 10) return false;
    uint64_t magnitude = 0;
    if (text[p] == '0' && p + 1 < text.size() && (text[p + 1] == 'x' || text[p + 1] == 'X') &&
        p + 2 < text.size() && DigitValue(text[p + 2]) < 16) {
        p += 2;
        ReadDigits(text, p, 16, magnitude);
    } else if (text[p] == '0') {
        ReadDigits(text, p, 8, magnitude);  // the leading 0 itself is an octal digit
    } else {
        ReadDigits(text, p, 10, magnitude);
    }
    value = Clamp(negative, magnitude);
    pos = p;
    return true;
}

// strtod in the C locale on a NUL-terminated text; returns the characters used (0: none).
std::size_t ParseDouble(const char* start, double& value) {
    char* end = nullptr;
    value = strtod_l(start, &end, CNumericLocale());
    return static_cast<std::size_t>(end - start);
}

[[noreturn]] void ThrowNotInteger(const std::string& text) {
    throw ConvertError("'" + text + "' is not a valid integer value");
}

}  // namespace

void TextScanner::SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
}

bool TextScanner::AtEnd() {
    SkipSpace();
    return pos_ >= text_.size();
}

bool TextScanner::ReadInt(int32_t& value) {
    if (failed_) return false;
    SkipSpace();
    if (!ParseScanfInt(text_, pos_, value)) return Fail();
    return Succeed();
}

bool TextScanner::ReadDouble(double& value) {
    if (failed_) return false;
    SkipSpace();
    double parsed;
    const std::size_t used = ParseDouble(text_.c_str() + pos_, parsed);
    if (used == 0) return Fail();
    pos_ += used;
    value = parsed;
    return Succeed();
}

bool TextScanner::ReadFloat(float& value) {
    if (failed_) return false;
    SkipSpace();
    char* end = nullptr;
    const float parsed = strtof_l(text_.c_str() + pos_, &end, CNumericLocale());
    const std::size_t used = static_cast<std::size_t>(end - (text_.c_str() + pos_));
    if (used == 0) return Fail();
    pos_ += used;
    value = parsed;
    return Succeed();
}

bool TextScanner::ReadWord(std::string& word) {
    if (failed_) return false;
    SkipSpace();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
    if (pos_ == start) return Fail();
    word = text_.substr(start, pos_ - start);
    return Succeed();
}

bool TextScanner::ReadLiteral(char c) {
    if (failed_) return false;
    if (pos_ >= text_.size() || text_[pos_] != c) return Fail();
    ++pos_;
    return true;  // a literal is not a converted field
}

int ScanInts(const std::string& text, int32_t* values, int count) {
    TextScanner scanner(text);
    for (int i = 0; i < count && scanner.ReadInt(values[i]); ++i) {
    }
    return scanner.Matched();
}

int ScanDoubles(const std::string& text, double* values, int count) {
    TextScanner scanner(text);
    for (int i = 0; i < count && scanner.ReadDouble(values[i]); ++i) {
    }
    return scanner.Matched();
}

int32_t LenientToInt(std::string_view text) {
    std::size_t p = 0;
    while (p < text.size() && IsSpace(text[p])) ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    uint64_t magnitude = 0;
    ReadDigits(text, p, 10, magnitude);
    return Clamp(negative, magnitude);
}

double LenientToDouble(std::string_view text) {
    const std::string copy(text);  // strtod needs the terminating NUL
    double value = 0.0;
    return ParseDouble(copy.c_str(), value) ? value : 0.0;
}

bool TryStrToInt(const std::string& text, int32_t& value) {
    std::string_view t(text);
    std::size_t p = 0;
    while (p < t.size() && (t[p] == ' ' || t[p] == '\t')) ++p;
    bool negative = false;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) negative = t[p++] == '-';
    int base = 10;
    if (p < t.size() && t[p] == '$') {
        base = 16;
        ++p;
    } else if (p + 1 < t.size() && t[p] == '0' && (t[p + 1] == 'x' || t[p + 1] == 'X')) {
        base = 16;
        p += 2;
    }
    uint64_t magnitude = 0;
    if (ReadDigits(t, p, base, magnitude) == 0 || p != t.size()) return false;
    if (negative ? magnitude > (uint64_t(1) << 31) : magnitude > INT32_MAX) return false;
    value = Clamp(negative, magnitude);
    return true;
}

int32_t StrToInt(const std::string& text) {
    int32_t value = 0;
    if (!TryStrToInt(text, value)) ThrowNotInteger(text);
    return value;
}

double StrToFloat(const std::string& text) {
    std::size_t p = 0;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
    double value = 0.0;
    const char first = p < text.size() ? text[p] : '\0';
    // Only plain decimal forms: strtod would also take "inf", "nan" and hexadecimal.
    const bool plain = (first >= '0' && first <= '9') || first == '.' || first == '+' || first == '-';
    std::size_t used = plain ? ParseDouble(text.c_str() + p, value) : 0;
    std::size_t end = p + used;
    for (std::size_t i = p; i < end; ++i)
        if (text[i] == 'x' || text[i] == 'X' || text[i] == 'n' || text[i] == 'N' || text[i] == 'i' ||
            text[i] == 'I')
            used = 0;
    while (end < text.size() && (text[end] == ' ' || text[end] == '\t')) ++end;
    if (used == 0 || end != text.size() || value != value || value - value != 0)
        throw ConvertError("'" + text + "' is not a valid floating point value");
    return value;
}

std::string TrimLineEnd(std::string line) {
    std::size_t keep = line.size();
    while (keep > 1 && (line[keep - 1] == '\r' || line[keep - 1] == '\n')) --keep;
    line.resize(keep);
    return line;
}

bool LineReader::ReadPiece(std::size_t bufferSize, std::string& piece) {
    if (pos_ >= text_.size()) return false;
    const std::size_t limit = bufferSize > 2 ? bufferSize - 1 : 1;
    const std::size_t start = pos_;
    std::size_t p = pos_;
    bool ended = false;
    while (p < text_.size() && p - start < limit) {
        const char c = text_[p++];
        if (c == '\n') {
            ended = true;
            break;
        }
        if (c == '\r') {
            if (p < text_.size() && text_[p] == '\n') ++p;
            ended = true;
            break;
        }
    }
    // A line end right after a full piece belongs to that piece.
    if (!ended && p < text_.size()) {
        if (text_[p] == '\n') {
            ++p;
        } else if (text_[p] == '\r') {
            ++p;
            if (p < text_.size() && text_[p] == '\n') ++p;
        }
    }
    piece.assign(text_, start, p - start);
    pos_ = p;
    return true;
}

bool LineReader::ReadLine(std::size_t bufferSize, std::string& line) {
    if (!ReadPiece(bufferSize, line)) return false;
    line = TrimLineEnd(std::move(line));
    return true;
}

bool LineReader::ReadLine(std::string& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string::npos) {
        line.assign(text_, pos_, std::string::npos);
        pos_ = text_.size();
        return true;
    }
    line.assign(text_, pos_, end - pos_);
    pos_ = end + 1;
    if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    return true;
}

void CheckPathFitsFormat(const std::string& path, std::string_view separators,
                         const char* fileKind) {
    const std::size_t at = path.find_first_of(separators);
    if (at == std::string::npos) return;
    auto nameOf = [](char c) { return c == '\t' ? "TAB" : c == '\r' ? "CR" : "LF"; };
    std::string shown;
    for (const char c : path) {
        if (c == '\t' || c == '\r' || c == '\n')
            shown += std::string("<") + nameOf(c) + ">";
        else
            shown += c;
    }
    const char c = path[at];
    const std::string what =
        c == '\t' ? std::string("a TAB") : std::string("a line break (") + nameOf(c) + ")";
    throw UnwritableValueError("The path \"" + shown + "\" holds " + what + ", which " + fileKind +
                               " cannot hold; nothing was saved.");
}

void AppendLine(std::string& out, std::string_view line) {
    out.append(line);
    out.append("\r\n");
}

bool ReadTextFile(const std::string& path, std::string& text) {
    try {
        text = ReadWholeTextFile(path);
        return true;
    } catch (const ImageError&) {
        return false;
    }
}

void WriteTextFile(const std::string& path, const std::string& text) {
    WriteFileAtomically(path, text.data(), text.size());
}
