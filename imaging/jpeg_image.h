#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bitmap.h"

// A JPEG picture held as its compressed bytes. Sequences of frames are kept this way and
// decoded on demand. Every failure is an ImageError with a message fit for the user.
// What a decode found beyond the pixels: a stream whose data ended early decodes with its
// missing rows grey, and callers that write pictures out must be able to tell.
struct JpegDecodeReport {
    bool complete = true;
    // Rows that hold decoded data, counted from the top; the picture's height when complete.
    int32_t rowsRead = 0;
};

class TJPEGImage {
public:
    // Reads the whole file; a missing or unreadable file throws with the system's reason, and
    // one that does not start like a JPEG throws as decoding it would, before the rest is read.
    // A failure keeps the bytes held before.
    void LoadFromFile(const std::string& path);
    void LoadFromBytes(std::vector<uint8_t> bytes);

    // Decodes into target (resized to the picture, its storage reused when it fits).
    // Greyscale becomes three equal channels, CMYK/YCCK is converted to RGB. A truncated
    // stream decodes what is there (the rest grey), provided its first row of blocks arrived
    // whole; otherwise it is refused as damaged. Throws on a stream that is not a JPEG, one
    // with components that make no colours, more than 500 scans, pictures above one gigapixel
    // or above 16384 pixels per byte of the stream (no real picture comes close), with
    // MemoryBudgetError when the picture needs more memory than the budget allows (judged
    // from the header), and when memory runs out; these leave target untouched. Only a single-scan stream
    // whose pixel data breaks fatally after its first row throws with target already resized
    // (what was decoded, the rest grey), so windows decode into a temporary.
    JpegDecodeReport DecodeTo(TBitmap& target) const;

    // Encodes source at CompressionQuality (1..100) and keeps the bytes.
    void Assign(const TBitmap& source);

    // Writes the held bytes through a temporary file in the same folder and renames it over
    // path, so a failed write leaves any previous file intact.
    void SaveToFile(const std::string& path) const;

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    bool Empty() const { return bytes_.empty(); }

    int CompressionQuality = 75;

private:
    std::vector<uint8_t> bytes_;
};

// Why a batch must not write out a picture decoded with this report: "damaged: only the first
// N rows could be read" when the rest was filled with grey, a like sentence when every row came
// but later detail was missing; empty for a whole picture of that height.
std::string DamagedSourceReason(const JpegDecodeReport& report, int32_t height);

// Rows [first, end) of a picture being decoded hold their final pixels.
using DecodedRows = std::function<void(TBitmap& target, int32_t first, int32_t end)>;

// Decodes a JPEG held in memory into target, exactly as TJPEGImage::DecodeTo does. rowsDone,
// when given, sees every row of target once, top to bottom, a few at a time right after they
// are decoded (grey filled rows too): work on them there finds them still in the cache.
JpegDecodeReport DecodeJpegBytes(const uint8_t* bytes, std::size_t size, TBitmap& target,
                                 const DecodedRows& rowsDone = nullptr);

// The pixel size a decode of these bytes gives, read from the header alone. Throws ImageError,
// with the message a decode would give, on what is not a JPEG or exceeds one gigapixel.
struct JpegSize {
    int32_t width = 0;
    int32_t height = 0;
    uint64_t memoryNeeded = 0;  // what decoding takes, as the memory budget counts it
};
JpegSize JpegHeaderSize(const uint8_t* bytes, std::size_t size);

// Why a picture whose data ended early shows only in part, for a message that names the file
// first ("path: reason"); "" for a complete picture.
std::string DamagedPictureReason(const JpegDecodeReport& report);

// Loads and decodes a JPEG file in one call (whatever its extension); report, when given,
// receives what the decode found.
TBitmap LoadJpegFile(const std::string& path, JpegDecodeReport* report = nullptr);

// The bytes of bitmap encoded at quality (1..100), as TJPEGImage::Assign keeps them.
std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality);

// Encoded bytes kept from picture to picture: the storage is reused and growing it leaves the
// new bytes unset, so a batch touches no fresh, zeroed pages per file.
using EncodedBytes = std::vector<uint8_t, DefaultInitAllocator<uint8_t, PageUse::Stream>>;
// The same bytes as EncodeJpeg, into bytes (replacing what they held, keeping their storage).
void EncodeJpeg(const TBitmap& bitmap, int quality, EncodedBytes& bytes);

// Decodes a JPEG held in memory and encodes it again at quality into encoded, a band of rows at
// a time, with rowWork (when given) changing each band's rows in between: the bytes
// EncodeJpeg gives for the picture that DecodeJpegBytes with the same rowWork decodes, without
// the whole picture ever being in memory, so the work stays in the processor's cache. band is
// reused storage for the rows; rowWork is handed rows of band, so it must not depend on where a
// row lies in the picture. A stream whose data ends early is refused (ImageError with
// DamagedSourceReason) rather than encoded with grey rows.
void TranscodeJpeg(const uint8_t* bytes, std::size_t size, int quality, const DecodedRows& rowWork,
                   TBitmap& band, EncodedBytes& encoded);

// Encodes bitmap at quality and writes it to path (replacing it safely).
void SaveJpegFile(const TBitmap& bitmap, const std::string& path, int quality);
