// Every text reader and scanner of text_io.h on arbitrary text, checked against the C
// library's own conversions (strtoll, strtod, strtof, sscanf, snprintf) where the two are meant
// to agree, and against the promises of the header where they are not.
//
// Input: one byte n, then n operation bytes, then the text.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "image_error.h"
#include "text_io.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int32_t Clamp(long long value) {
    return value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

bool SameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// scanf as the C library does it, field by field, on a NUL-terminated copy of the text (a
// NUL ends what the C functions see, and so it does for the scanner's numbers).
class CModel {
public:
    explicit CModel(const std::string& text) : text_(text) {}
    void SkipSpace() {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    }
    bool Int(int32_t& value) {
        if (failed_) return false;
        SkipSpace();
        const char* start = text_.c_str() + pos_;
        char* end = nullptr;
        const long long parsed = std::strtoll(start, &end, 0);
        return Take(start, end, [&] { value = Clamp(parsed); });
    }
    bool Double(double& value) {
        if (failed_) return false;
        SkipSpace();
        const char* start = text_.c_str() + pos_;
        char* end = nullptr;
        const double parsed = std::strtod(start, &end);
        return Take(start, end, [&] { value = parsed; });
    }
    bool Float(float& value) {
        if (failed_) return false;
        SkipSpace();
        const char* start = text_.c_str() + pos_;
        char* end = nullptr;
        const float parsed = std::strtof(start, &end);
        return Take(start, end, [&] { value = parsed; });
    }
    bool Word(std::string& word) {
        if (failed_) return false;
        SkipSpace();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
        if (pos_ == start) return failed_ = true, false;
        word = text_.substr(start, pos_ - start);
        ++matched_;
        return true;
    }
    bool Literal(char c) {
        if (failed_) return false;
        if (pos_ >= text_.size() || text_[pos_] != c) return failed_ = true, false;
        ++pos_;
        return true;
    }
    bool AtEnd() {
        SkipSpace();
        return pos_ >= text_.size();
    }
    std::size_t Position() const { return pos_; }
    int Matched() const { return matched_; }
    bool Failed() const { return failed_; }

private:
    template <typename Store>
    bool Take(const char* start, const char* end, Store store) {
        if (end == start) return failed_ = true, false;
        pos_ += static_cast<std::size_t>(end - start);
        store();
        ++matched_;
        return true;
    }
    std::string text_;
    std::size_t pos_ = 0;
    int matched_ = 0;
    bool failed_ = false;
};

void CheckScanner(const std::string& text, const uint8_t* ops, std::size_t count) {
    TextScanner scanner(text);
    CModel model(text);
    for (std::size_t i = 0; i < count; ++i) {
        switch (ops[i] % 7) {
            case 0: {
                int32_t a = 0, b = 0;
                FUZZ_CHECK(scanner.ReadInt(a) == model.Int(b));
                FUZZ_CHECK(a == b);
                break;
            }
            case 1: {
                double a = 0, b = 0;
                FUZZ_CHECK(scanner.ReadDouble(a) == model.Double(b));
                FUZZ_CHECK(SameDouble(a, b));
                break;
            }
            case 2: {
                float a = 0, b = 0;
                FUZZ_CHECK(scanner.ReadFloat(a) == model.Float(b));
                FUZZ_CHECK(SameDouble(a, b));
                break;
            }
            case 3: {
                std::string a, b;
                FUZZ_CHECK(scanner.ReadWord(a) == model.Word(b));
                FUZZ_CHECK(a == b);
                break;
            }
            case 4: {
                const char c = static_cast<char>(ops[i] / 7 % 2 ? ',' : ops[i] / 7 + 32);
                FUZZ_CHECK(scanner.ReadLiteral(c) == model.Literal(c));
                break;
            }
            case 5:
                scanner.SkipSpace();
                model.SkipSpace();
                break;
            default:
                FUZZ_CHECK(scanner.AtEnd() == model.AtEnd());
                break;
        }
        FUZZ_CHECK(scanner.Position() == model.Position());
        FUZZ_CHECK(scanner.Failed() == model.Failed());
        FUZZ_CHECK(scanner.Matched() == model.Matched());
        FUZZ_CHECK(scanner.Rest() == std::string_view(text).substr(model.Position()));
    }
}

// ScanInts against sscanf itself. Left out where scanf cannot push back what it read ahead:
// "0x" with no hex digit after it (scanf swallows the 'x', the scanner leaves it).
void CheckScanInts(const std::string& text, int count) {
    int32_t values[4] = {};
    const int read = ScanInts(text, values, count);
    FUZZ_CHECK(read >= 0 && read <= count);
    if (text.find('\0') != std::string::npos || text.find_first_of("xX") != std::string::npos) return;
    long long c[4] = {};
    static const char* const formats[] = {"%lli", "%lli%lli", "%lli%lli%lli", "%lli%lli%lli%lli"};
    const int got = std::sscanf(text.c_str(), formats[count - 1], &c[0], &c[1], &c[2], &c[3]);
    FUZZ_CHECK(read == (got < 0 ? 0 : got));
    for (int i = 0; i < read; ++i) FUZZ_CHECK(values[i] == Clamp(c[i]));

    double doubles[4] = {};
    const int readDoubles = ScanDoubles(text, doubles, count);
    CModel model(text);
    double expected = 0;
    for (int i = 0; i < count && model.Double(expected); ++i) FUZZ_CHECK(SameDouble(doubles[i], expected));
    FUZZ_CHECK(readDoubles == model.Matched());
}

// The message with the offending text in it; what() ends at a NUL inside the text.
bool SaysNotValid(const std::exception& e, const std::string& text, const char* kind) {
    const std::string expected = "'" + text + "' is not a valid " + kind + " value";
    return std::strcmp(e.what(), expected.c_str()) == 0;
}

void CheckConversions(const std::string& text) {
    FUZZ_CHECK(LenientToInt(text) == Clamp(std::strtoll(text.c_str(), nullptr, 10)));
    FUZZ_CHECK(SameDouble(LenientToDouble(text), std::strtod(text.c_str(), nullptr)));

    // Strict integers: the same verdict both ways; a decimal text that strtoll takes whole
    // (after leading blanks) and that fits is accepted with strtoll's value.
    int32_t tried = 0;
    const bool ok = TryStrToInt(text, tried);
    try {
        FUZZ_CHECK(StrToInt(text) == tried && ok);
    } catch (const ConvertError& e) {
        FUZZ_CHECK(!ok && SaysNotValid(e, text, "integer"));
    }
    const std::size_t first = text.find_first_not_of(" \t");
    if (first != std::string::npos && text.find('\0') == std::string::npos) {
        const char* start = text.c_str() + first;
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(start, &end, 10);
        const bool plain = !IsSpace(*start) && std::strcspn(start, "$xX") == text.size() - first;
        if (plain && end != start && *end == '\0' && errno == 0 && value >= INT32_MIN && value <= INT32_MAX)
            FUZZ_CHECK(ok && tried == value);
        if (ok && plain) FUZZ_CHECK(end != start && *end == '\0' && tried == value);
    }

    try {
        const double value = StrToFloat(text);
        FUZZ_CHECK(std::isfinite(value));
        FUZZ_CHECK(SameDouble(value, std::strtod(text.c_str() + text.find_first_not_of(" \t"), nullptr)));
    } catch (const ConvertError& e) {
        FUZZ_CHECK(SaysNotValid(e, text, "floating point"));
    }
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

void CheckLines(const std::string& text, std::size_t bufferSize) {
    // TrimLineEnd removes line-end characters only, from the back, never the first character.
    const std::string trimmed = TrimLineEnd(text);
    FUZZ_CHECK(text.compare(0, trimmed.size(), trimmed) == 0);
    for (std::size_t i = std::max<std::size_t>(trimmed.size(), 1); i < text.size(); ++i)
        FUZZ_CHECK(IsLineEnd(text[i]));
    FUZZ_CHECK(trimmed.size() <= 1 || !IsLineEnd(trimmed.back()));

    // Pieces put back together give the text; each holds at most bufferSize - 1 characters
    // before its line end, and a line end only at its end.
    LineReader pieces(text);
    std::string joined, piece;
    const std::size_t limit = bufferSize > 2 ? bufferSize - 1 : 1;
    while (pieces.ReadPiece(bufferSize, piece)) {
        FUZZ_CHECK(!piece.empty());
        std::size_t body = piece.size();
        while (body > 0 && IsLineEnd(piece[body - 1])) --body;
        FUZZ_CHECK(piece.size() - body <= 2);
        if (body < piece.size() - 1) FUZZ_CHECK(piece.compare(body, 2, "\r\n") == 0);
        FUZZ_CHECK(body <= limit);
        joined += piece;
    }
    FUZZ_CHECK(joined == text);
    FUZZ_CHECK(pieces.AtEnd());

    // Whole lines: split at CR LF, LF or a lone CR.
    LineReader lines(text);
    std::string line;
    std::size_t pos = 0;
    while (lines.ReadLine(line)) {
        const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        FUZZ_CHECK(line == text.substr(pos, end - pos));
        pos = end + 1;
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    }
    FUZZ_CHECK(pos >= text.size());
}

void CheckFormatting(FuzzReader& in) {
    const int32_t i = static_cast<int32_t>(in.Byte() << 24 | in.Byte() << 16 | in.Byte() << 8 | in.Byte());
    uint64_t bits = 0;
    for (int k = 0; k < 8; ++k) bits = bits << 8 | in.Byte();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    const int precision = static_cast<int>(in.Below(20));
    char expected[512];
    std::snprintf(expected, sizeof expected, "%d|%.*f|%g|%e|%10.3lf", i, precision, d, d, d, d);
    const std::string formatted = FormatText("%d|%.*f|%g|%e|%10.3lf", i, precision, d, d, d, d);
    if (formatted.size() < sizeof expected - 1) FUZZ_CHECK(formatted == expected);
    std::string out;
    AppendLine(out, formatted);
    FUZZ_CHECK(out == formatted + "\r\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzReader in(data, size);
    const std::size_t count = in.Below(33);
    const std::size_t available = std::min(count, in.RestSize());
    const uint8_t* ops = in.Rest();
    for (std::size_t k = 0; k < available; ++k) in.Byte();
    FuzzReader numbers(ops, available);
    const std::string text(reinterpret_cast<const char*>(in.Rest()), in.RestSize());

    CheckScanner(text, ops, available);
    CheckScanInts(text, 1 + static_cast<int>(available % 4));
    CheckConversions(text);
    CheckLines(text, available == 0 ? 200 : ops[0]);
    CheckFormatting(numbers);
    return 0;
}
