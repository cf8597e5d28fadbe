#include "message_text.h"

namespace {

bool ContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// A listed line quotes a path and a reason, so it may take two quoted values.
constexpr std::size_t kListedLineLength = 2 * kQuotedLength + 40;

}  // namespace

std::string Shortened(const std::string& text, std::size_t limit) {
    const std::string dots = "...";
    if (text.size() <= limit || limit <= dots.size()) return text;
    const std::size_t keep = limit - dots.size();
    std::size_t head = (keep + 1) / 2;
    std::size_t tail = text.size() - (keep - head);
    while (head > 0 && ContinuationByte(text[head])) --head;
    while (tail < text.size() && ContinuationByte(text[tail])) ++tail;
    return text.substr(0, head) + dots + text.substr(tail);
}

std::string FailureLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < kListedLines; ++i)
        text += "\n" + Shortened(lines[i], kListedLineLength);
    if (lines.size() > kListedLines)
        text += "\n... and " + std::to_string(lines.size() - kListedLines) + " more.";
    return text;
}

std::string BoxText(const std::string& text) {
    std::string box;
    std::size_t lines = 0, start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        if (lines < kBoxLines) box += (lines ? "\n" : "") + Shortened(line, kListedLineLength);
        ++lines;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (lines > kBoxLines) box += "\n... and " + std::to_string(lines - kBoxLines) + " more lines.";
    return box;
}
