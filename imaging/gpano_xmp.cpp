#include "gpano_xmp.h"

#include <expat.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>

#include "image_error.h"
#include "jpeg_segments.h"
#include "text_io.h"

namespace {

const char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";  // followed by a NUL
const std::string kGPanoNamespace = "http://ns.google.com/photos/1.0/panorama/";
// expat joins a name's namespace and local part with this.
constexpr char kNameSeparator = '\x01';

// The local name when name is in the GPano namespace, else "".
std::string GPanoLocalName(const char* name) {
    const char* sep = std::strchr(name, kNameSeparator);
    if (sep == nullptr) return {};
    if (std::string(name, sep) != kGPanoNamespace) return {};
    return sep + 1;
}

struct XmpWalk {
    XML_Parser parser = nullptr;
    std::map<std::string, std::string> values;  // GPano local name -> text
    std::string element;                        // the GPano element whose text is being read
    std::string text;
    bool hasDoctype = false;
};

// Property texts are short numbers; anything longer is not one of them.
constexpr std::size_t kMaxValueText = 64;

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* walk = static_cast<XmpWalk*>(data);
    for (const XML_Char** a = attributes; a[0] != nullptr && a[1] != nullptr; a += 2) {
        const std::string local = GPanoLocalName(a[0]);
        if (!local.empty()) walk->values[local] = std::string(a[1]).substr(0, kMaxValueText + 1);
    }
    walk->element = GPanoLocalName(name);
    walk->text.clear();
}

void XMLCALL EndElement(void* data, const XML_Char* name) {
    auto* walk = static_cast<XmpWalk*>(data);
    const std::string local = GPanoLocalName(name);
    if (!local.empty() && local == walk->element) walk->values[local] = walk->text;
    walk->element.clear();
    walk->text.clear();
}

void XMLCALL CharacterData(void* data, const XML_Char* s, int length) {
    auto* walk = static_cast<XmpWalk*>(data);
    if (walk->element.empty() || length <= 0) return;
    const std::size_t room = kMaxValueText + 1 - std::min(walk->text.size(), kMaxValueText + 1);
    walk->text.append(s, std::min(static_cast<std::size_t>(length), room));
}

// XMP never declares a document type; refusing one keeps entity expansion out entirely.
void XMLCALL StartDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto* walk = static_cast<XmpWalk*>(data);
    walk->hasDoctype = true;
    XML_StopParser(walk->parser, XML_FALSE);
}

struct ParserFree {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

// The number in a property's text, or a reason why there is none.
bool ToNumber(const std::string& text, double& value) {
    try {
        value = StrToFloat(text);
    } catch (const ConvertError&) {
        return false;
    }
    return std::isfinite(value);
}

GPanoReading Ignored(const std::string& reason) {
    GPanoReading r;
    r.ignoredReason = reason;
    return r;
}

}  // namespace

std::optional<std::string> ExtractXmpPacket(const uint8_t* data, std::size_t size) {
    const std::optional<JpegSegmentData> segment =
        FindJpegSegment(data, size, 0xE1, kXmpSignature, sizeof kXmpSignature);  // with its NUL
    if (!segment) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(data + segment->start), segment->size);
}

GPanoReading ParseGPanoXmp(const std::string& packet, int32_t pictureWidth,
                           int32_t pictureHeight) {
    XmpWalk walk;
    std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreateNS(nullptr, kNameSeparator));
    if (!parser) return Ignored("XMP could not be read (out of memory)");
    walk.parser = parser.get();
    XML_SetUserData(parser.get(), &walk);
    XML_SetElementHandler(parser.get(), StartElement, EndElement);
    XML_SetCharacterDataHandler(parser.get(), CharacterData);
    XML_SetStartDoctypeDeclHandler(parser.get(), StartDoctype);
    // The packet comes from one segment (under 64 KiB), so it fits an int.
    const XML_Status status =
        XML_Parse(parser.get(), packet.data(), static_cast<int>(packet.size()), XML_TRUE);
    if (walk.hasDoctype) return Ignored("XMP holds a document type declaration");
    if (status != XML_STATUS_OK)
        return Ignored(std::string("XMP is not well-formed (") +
                       XML_ErrorString(XML_GetErrorCode(parser.get())) + ")");

    static const char* const kRequired[] = {
        "FullPanoWidthPixels",        "FullPanoHeightPixels", "CroppedAreaImageWidthPixels",
        "CroppedAreaImageHeightPixels", "CroppedAreaLeftPixels", "CroppedAreaTopPixels"};
    bool any = false;
    for (const char* name : kRequired) any = any || walk.values.count(name) != 0;
    if (!any) return {};  // no cropped area: an ordinary picture

    int64_t numbers[6];
    for (int i = 0; i < 6; ++i) {
        const auto found = walk.values.find(kRequired[i]);
        if (found == walk.values.end()) return Ignored(std::string("GPano ") + kRequired[i] + " is missing");
        double value = 0.0;
        if (!ToNumber(found->second, value) || value != std::floor(value) || std::fabs(value) > 1e9)
            return Ignored(std::string("GPano ") + kRequired[i] + " is not a whole number");
        numbers[i] = static_cast<int64_t>(value);
    }
    GPanoArea area;
    area.fullWidth = numbers[0];
    area.fullHeight = numbers[1];
    area.croppedWidth = numbers[2];
    area.croppedHeight = numbers[3];
    area.left = numbers[4];
    area.top = numbers[5];
    if (area.fullWidth <= 0 || area.fullHeight <= 0 || area.croppedWidth <= 0 ||
        area.croppedHeight <= 0)
        return Ignored("GPano sizes must be positive");
    if (area.left < 0 || area.top < 0) return Ignored("GPano crop position is negative");
    if (area.left + area.croppedWidth > area.fullWidth ||
        area.top + area.croppedHeight > area.fullHeight)
        return Ignored("GPano crop lies outside the full panorama");
    if (area.croppedWidth != pictureWidth || area.croppedHeight != pictureHeight)
        return Ignored("GPano crop size differs from the picture's size");

    // The view hints are optional; one that is not a usable angle is simply left out.
    const auto angle = [&](const char* name, double limit) -> std::optional<double> {
        const auto found = walk.values.find(name);
        double value = 0.0;
        if (found == walk.values.end() || !ToNumber(found->second, value) || std::fabs(value) > limit)
            return std::nullopt;
        return value;
    };
    area.poseHeading = angle("PoseHeadingDegrees", 360.0);
    area.initialHeading = angle("InitialViewHeadingDegrees", 360.0);
    area.initialPitch = angle("InitialViewPitchDegrees", 90.0);

    GPanoReading reading;
    reading.area = area;
    return reading;
}

GPanoReading ReadGPano(const uint8_t* bytes, std::size_t size, int32_t pictureWidth,
                       int32_t pictureHeight) {
    const std::optional<std::string> packet = ExtractXmpPacket(bytes, size);
    if (!packet) return {};
    return ParseGPanoXmp(*packet, pictureWidth, pictureHeight);
}
