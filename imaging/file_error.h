#pragma once
#include <exception>
#include <string>
#include <utility>

#include "image_error.h"
#include "memory_budget.h"
#include "message_text.h"

// Errors about a file name the file first, then the reason: "<path>: <reason>".
//
//   TBitmap picture = NamingFileInErrors(path, [&] { return LoadJpegFile(path); });
// The path is quoted shortened (message_text.h).
inline std::string FileErrorText(const std::string& path, const std::string& reason) {
    if (path.empty() || reason.rfind(path, 0) == 0) return reason;  // already named first
    return Shortened(path) + ": " + reason;
}

// Runs work; an exception escaping it comes out as an ImageError whose message names path
// first, then the original message. A MemoryBudgetError passes unchanged, so a window can
// still ask whether to take the memory.
template <class F>
decltype(auto) NamingFileInErrors(const std::string& path, F&& work) {
    try {
        return std::forward<F>(work)();
    } catch (const MemoryBudgetError&) {
        throw;
    } catch (const std::exception& e) {
        throw ImageError(FileErrorText(path, e.what()));
    }
}
