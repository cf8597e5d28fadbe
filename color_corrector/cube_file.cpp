#include "cube_file.h"

#include <array>
#include <cmath>
#include <vector>

#include "image_error.h"
#include "number_format.h"
#include "text_io.h"

namespace {

using Rgb = std::array<double, kChannelCount>;

[[noreturn]] void Refuse(int line, const std::string& reason) {
    throw ImageError("line " + std::to_string(line) + ": " + reason);
}

// The blank-separated words of a line.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        const std::size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
        if (at > start) words.push_back(line.substr(start, at - start));
    }
    return words;
}

double Number(const std::string& word, int line) {
    try {
        return StrToFloat(word);
    } catch (const ConvertError&) {
        Refuse(line, "'" + word + "' is not a number");
    }
}

Rgb ThreeNumbers(const std::vector<std::string>& words, std::size_t first, int line) {
    if (words.size() != first + 3) Refuse(line, "three numbers expected");
    return {Number(words[first], line), Number(words[first + 1], line), Number(words[first + 2], line)};
}

}  // namespace

std::string FormatCubeFile(const ColorTable& result, const std::string& title) {
    std::string out;
    std::string safeTitle;
    for (char c : title)
        if (c != '"' && c != '\r' && c != '\n') safeTitle += c;
    AppendLine(out, "TITLE \"" + safeTitle + "\"");
    AppendLine(out, "LUT_1D_SIZE 256");
    AppendLine(out, "DOMAIN_MIN 0.0 0.0 0.0");
    AppendLine(out, "DOMAIN_MAX 1.0 1.0 1.0");
    static const char* const kNames[kChannelCount] = {"red", "green", "blue"};
    for (int v = 0; v < kTableSize; ++v) {
        double values[kChannelCount];
        for (int c = 0; c < kChannelCount; ++c) {
            if (!result.Has(c, v))
                throw ImageError(std::string("the Result table has no ") + kNames[c] + " value for " +
                                 std::to_string(v));
            const int32_t value = result.Value(c, v);
            if (value < 0 || value > 255)
                throw ImageError(std::string("the Result table's ") + kNames[c] + " value for " +
                                 std::to_string(v) + " is " + std::to_string(value) +
                                 ", outside 0..255");
            values[c] = value / 255.0;
        }
        // Nine decimals: far finer than the 1/510 that rounding back to 0..255 needs.
        AppendLine(out, FormatText("%.9f %.9f %.9f", values[0], values[1], values[2]));
    }
    return out;
}

void SaveCubeFile(const std::string& path, const ColorTable& result, const std::string& title) {
    WriteTextFile(path, FormatCubeFile(result, title));
}

ColorTable ParseCubeFile(const std::string& text) {
    LineReader reader(text);
    std::string line;
    int lineNumber = 0;
    int size = 0;
    Rgb domainMin{0.0, 0.0, 0.0}, domainMax{1.0, 1.0, 1.0};
    std::vector<Rgb> entries;
    while (reader.ReadLine(line)) {
        ++lineNumber;
        const std::vector<std::string> words = Words(line);
        if (words.empty() || words[0][0] == '#') continue;
        const std::string& key = words[0];
        const bool numeric = (key[0] >= '0' && key[0] <= '9') || key[0] == '-' || key[0] == '+' || key[0] == '.';
        // Once the values have begun, every line is one: a word there is a bad number.
        if (numeric || !entries.empty()) {
            if (size == 0) Refuse(lineNumber, "values come before LUT_1D_SIZE");
            if (static_cast<int>(entries.size()) == size)
                Refuse(lineNumber, "more entries than LUT_1D_SIZE " + std::to_string(size));
            const Rgb value = ThreeNumbers(words, 0, lineNumber);
            for (double v : value)
                if (v < 0.0 || v > 1.0) Refuse(lineNumber, "a value lies outside 0..1");
            entries.push_back(value);
            continue;
        }
        if (key == "TITLE") continue;
        if (key == "LUT_3D_SIZE") Refuse(lineNumber, "a 3D table; only 1D tables can be read");
        if (key == "LUT_1D_SIZE") {
            if (size != 0) Refuse(lineNumber, "LUT_1D_SIZE given twice");
            if (words.size() != 2) Refuse(lineNumber, "LUT_1D_SIZE needs one number");
            int32_t n = 0;
            if (!TryStrToInt(words[1], n) || n < kMinCubeSize || n > kMaxCubeSize)
                Refuse(lineNumber, "LUT_1D_SIZE must be a whole number from " +
                                       std::to_string(kMinCubeSize) + " to " +
                                       std::to_string(kMaxCubeSize));
            size = n;
            entries.reserve(static_cast<std::size_t>(n));
        } else if (key == "DOMAIN_MIN") {
            domainMin = ThreeNumbers(words, 1, lineNumber);
        } else if (key == "DOMAIN_MAX") {
            domainMax = ThreeNumbers(words, 1, lineNumber);
        } else if (key == "LUT_1D_INPUT_RANGE") {
            if (words.size() != 3) Refuse(lineNumber, "LUT_1D_INPUT_RANGE needs two numbers");
            const double low = Number(words[1], lineNumber), high = Number(words[2], lineNumber);
            domainMin = {low, low, low};
            domainMax = {high, high, high};
        } else {
            Refuse(lineNumber, "unknown keyword '" + key + "'");
        }
        for (int c = 0; c < kChannelCount; ++c)
            if (!(domainMin[c] < domainMax[c]) || std::fabs(domainMin[c]) > 1e6 || std::fabs(domainMax[c]) > 1e6)
                Refuse(lineNumber, "the domain is empty or unreasonable");
    }
    if (size == 0) Refuse(lineNumber, "no LUT_1D_SIZE");
    if (static_cast<int>(entries.size()) < size)
        Refuse(lineNumber, "only " + std::to_string(entries.size()) + " of " + std::to_string(size) +
                               " entries");

    ColorTable table;
    const double last = size - 1;
    for (int c = 0; c < kChannelCount; ++c) {
        const double span = 255.0 * (domainMax[c] - domainMin[c]);
        for (int v = 0; v < kTableSize; ++v) {
            // Input v is v / 255; with the usual domain and 256 entries pos is exactly v.
            double pos = (v - 255.0 * domainMin[c]) * last / span;
            pos = std::min(std::max(pos, 0.0), last);
            const auto i = static_cast<std::size_t>(pos);
            const double f = pos - static_cast<double>(i);
            const double a = entries[i][c];
            const double b = i + 1 < entries.size() ? entries[i + 1][c] : a;
            const double value = f == 0.0 ? a : a + (b - a) * f;
            table.Set(c, v, static_cast<int32_t>(std::lround(value * 255.0)));
        }
    }
    return table;
}
