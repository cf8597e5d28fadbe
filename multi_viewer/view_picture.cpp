#include "view_picture.h"

#include <utility>

#include "image_error.h"
#include "jpeg_image.h"
#include "memory_budget.h"
#include "view_adjustments.h"

TBitmap BuildViewPicture(const std::string& descriptionPath, int number, const std::string& name,
                         const ViewSettings& settings, ViewPictureSource* source) {
    const std::string view = "View " + std::to_string(number) + " \"" + name + "\": ";
    if (settings.fileName.empty())
        throw ImageError(view + "no picture file named (its \"filename=\" line is missing or empty)");
    const std::string path = ResolveImagePath(descriptionPath, settings.fileName);
    TBitmap decoded;
    JpegDecodeReport report;
    try {
        decoded = LoadJpegFile(path, &report);
    } catch (const MemoryBudgetError&) {
        throw;  // the window asks
    } catch (const ImageError& e) {
        const std::string reason = e.what();
        // The loader names the file itself when it cannot open it; decoder messages do not.
        if (reason.find(path) != std::string::npos) throw ImageError(view + reason);
        throw ImageError(view + "\"" + path + "\": " + reason);
    }
    if (source) *source = {path, report};
    try {
        return BuildView(std::move(decoded), settings);
    } catch (const MemoryBudgetError&) {
        throw;
    } catch (const ImageError& e) {
        throw ImageError(view + e.what());
    }
}
