#include "view_saving.h"

#include <cctype>

#include "bmp_file.h"
#include "jpeg_image.h"
#include "paths.h"

std::string LowerExtension(const std::string& path) {
    std::string ext = ExtractFileExt(path);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

SaveTarget ChooseSaveTarget(const std::string& chosenName, int filterIndex) {
    const std::string ext = LowerExtension(chosenName);
    if (ext == ".bmp") return {chosenName, SaveFormat::Bmp};
    if (ext == ".jpg" || ext == ".jpeg") return {chosenName, SaveFormat::Jpeg};
    if (filterIndex == 1) return {chosenName + ".jpg", SaveFormat::Jpeg};
    return {chosenName + ".bmp", SaveFormat::Bmp};
}

SaveTarget SaveViewPicture(const TBitmap& picture, const std::string& chosenName, int filterIndex) {
    const SaveTarget target = ChooseSaveTarget(chosenName, filterIndex);
    if (target.format == SaveFormat::Bmp)
        SaveBmpFile(picture, target.path);
    else
        SaveJpegFile(picture, target.path, kSavedViewJpegQuality);
    return target;
}
