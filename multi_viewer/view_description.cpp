#include "view_description.h"

#include <cstring>

#include "paths.h"
#include "text_io.h"

namespace {

constexpr char kViewKey[] = "viewname=";

bool StartsWith(const std::string& line, const char* key) {
    return line.compare(0, std::strlen(key), key) == 0;
}

// The number of the line that starts view number (1-based), or lines.size().
std::size_t ViewStart(const std::vector<std::string>& lines, int number) {
    int seen = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (StartsWith(lines[i], kViewKey) && ++seen == number) return i;
    return lines.size();
}

// A key and the fields its value fills: "%i,%i,..." or "%lf,%lf,...", the commas following
// each number directly. Fields before the first mismatch take their values.
template <typename T>
struct Key {
    const char* name;
    T* fields[4];
};

bool Read(TextScanner& scanner, int32_t& field) { return scanner.ReadInt(field); }
bool Read(TextScanner& scanner, double& field) { return scanner.ReadDouble(field); }

template <typename T, std::size_t N>
bool ApplyKey(const std::string& line, const Key<T> (&keys)[N]) {
    for (const Key<T>& key : keys) {
        if (!StartsWith(line, key.name)) continue;
        TextScanner scanner(line.substr(std::strlen(key.name)));
        for (int i = 0; i < 4 && key.fields[i] != nullptr; ++i)
            if ((i > 0 && !scanner.ReadLiteral(',')) || !Read(scanner, *key.fields[i])) break;
        return true;
    }
    return false;
}

// Applies one line of a view; a line that starts with no key changes nothing.
void ApplySettingLine(const std::string& line, ViewSettings& v) {
    if (StartsWith(line, "filename=")) {
        v.fileName = line.substr(std::strlen("filename="));
        v.hasFileName = true;
        return;
    }
    const Key<int32_t> intKeys[] = {
        {"rotate=", {&v.rotateAngle, &v.rotateColumn, &v.rotateRow}},
        {"crop=", {&v.cropLeft, &v.cropTop, &v.cropWidth, &v.cropHeight}},
        {"resize=", {&v.resizeWidth, &v.resizeHeight}},
        {"mirror=", {&v.upsideDown, &v.leftRight}},
        {"inverse=", {&v.inverse}},
        {"grayscale=", {&v.grayscale}},
    };
    const Key<double> doubleKeys[] = {
        {"resample=", {&v.resampleWidth, &v.resampleHeight}},
        {"gamma=", {&v.gamma}},
        {"brightness=", {&v.brightness}},
        {"contrast=", {&v.contrast}},
        {"colorize=", {&v.colorizeRed, &v.colorizeGreen, &v.colorizeBlue}},
    };
    if (!ApplyKey(line, intKeys)) ApplyKey(line, doubleKeys);
}

}  // namespace

std::vector<std::string> SplitDescriptionLines(const std::string& text) {
    std::vector<std::string> lines;
    LineReader reader(text);
    std::string line;
    while (reader.ReadLine(line)) lines.push_back(line);
    return lines;
}

std::string NoViewsReason(const std::string& text, bool english) {
    if (text.empty()) return english ? "the file is empty" : "файл пуст";
    if (text.find('\0') != std::string::npos)
        return english ? "the file is not a view description: it holds binary data"
                       : "файл не является описанием видов: в нём двоичные данные";
    return english ? "no line starts with \"viewname=\"" : "ни одна строка не начинается с \"viewname=\"";
}

std::vector<std::string> ListViews(const std::vector<std::string>& lines) {
    std::vector<std::string> names;
    for (const std::string& line : lines)
        if (StartsWith(line, kViewKey)) names.push_back(line.substr(std::strlen(kViewKey)));
    return names;
}

std::optional<ViewSettings> ReadView(const std::vector<std::string>& lines, int number) {
    const std::size_t start = ViewStart(lines, number);
    if (number < 1 || start >= lines.size()) return std::nullopt;
    ViewSettings settings;
    for (std::size_t i = start + 1; i < lines.size() && !StartsWith(lines[i], kViewKey); ++i)
        ApplySettingLine(lines[i], settings);
    return settings;
}

std::string ResolveImagePath(const std::string& descriptionPath, const std::string& fileValue) {
    if (fileValue.empty() || ExtractFileDrive(fileValue) == "/") return fileValue;
    return ExtractFilePath(descriptionPath) + ExtractFileName(fileValue);
}
