#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <thread>

#include <gtest/gtest.h>
#include <jpeglib.h>

#include "atomic_file.h"
#include "batch_pipeline.h"
#include "bmp_file.h"
#include "image_error.h"
#include "memory_budget.h"
#include "jpeg_image.h"
#include "test_support.h"
#include "text_io.h"

namespace {

TBitmap Decoded(const std::vector<uint8_t>& bytes) {
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(bytes);
    TBitmap picture;
    jpeg.DecodeTo(picture);
    return picture;
}

std::vector<uint8_t> Encoded(const TBitmap& picture, int quality) {
    TJPEGImage jpeg;
    jpeg.CompressionQuality = quality;
    jpeg.Assign(picture);
    return jpeg.Bytes();
}

const char kDamagedFirstRow[] =
    "The JPEG file is damaged: its data ends before the first row of the picture";

// Offset of the first byte after the first scan header.
size_t FirstScanData(const std::vector<uint8_t>& bytes) {
    for (size_t i = 0; i + 3 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) return i + 2 + (bytes[i + 2] << 8 | bytes[i + 3]);
    return bytes.size();
}

int ScanCount(const std::vector<uint8_t>& bytes) {
    int scans = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) scans += bytes[i] == 0xFF && bytes[i + 1] == 0xDA;
    return scans;
}

// The stream with its frame header claiming width x height.
std::vector<uint8_t> WithSize(std::vector<uint8_t> bytes, int width, int height) {
    for (size_t i = 0; i + 8 < bytes.size(); ++i) {
        if (bytes[i] != 0xFF || (bytes[i + 1] != 0xC0 && bytes[i + 1] != 0xC2 && bytes[i + 1] != 0xC9))
            continue;
        bytes[i + 5] = static_cast<uint8_t>(height >> 8);
        bytes[i + 6] = static_cast<uint8_t>(height);
        bytes[i + 7] = static_cast<uint8_t>(width >> 8);
        bytes[i + 8] = static_cast<uint8_t>(width);
        return bytes;
    }
    ADD_FAILURE() << "no frame header";
    return bytes;
}

std::string DecodeError(const std::vector<uint8_t>& bytes) {
    try {
        Decoded(bytes);
    } catch (const ImageError& e) {
        return e.what();
    }
    return "(no error)";
}

// Four flat 16 x 16 quarters given as CMYK ink amounts (0 = no ink).
std::vector<uint8_t> CmykQuarters(bool inverted) {
    const uint8_t inks[4][4] = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 0, 128}, {0, 0, 255, 0}};
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            for (int c = 0; c < 4; ++c) {
                const uint8_t ink = inks[(y / 16) * 2 + x / 16][c];
                pixels.push_back(inverted ? 255 - ink : ink);
            }
    return pixels;
}

// Expected blue, green, red at the centres of the quarters of CmykQuarters.
void ExpectCmykQuarterColours(const TBitmap& picture) {
    ASSERT_EQ(picture.Width(), 32);
    ASSERT_EQ(picture.Height(), 32);
    const int expected[4][3] = {{255, 255, 0}, {255, 0, 255}, {127, 127, 127}, {0, 255, 255}};
    for (int q = 0; q < 4; ++q) {
        const uint8_t* px = picture.ScanLine((q / 2) * 16 + 8) + ((q % 2) * 16 + 8) * 3;
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(px[c], expected[q][c], 6) << "quarter " << q << " channel " << c;
    }
}

}  // namespace

// Quality 100 with the default 2x2 chroma subsampling: on smooth gradients every channel
// stays within 4 of the original.
TEST(JpegImage, RoundTripAtQuality100StaysWithinTolerance) {
    for (auto [w, h] : {std::pair{67, 45}, std::pair{1, 1}, std::pair{16, 16}, std::pair{5, 130}}) {
        const TBitmap source = GradientPicture(w, h);
        const TBitmap back = Decoded(Encoded(source, 100));
        ASSERT_EQ(back.Width(), w);
        ASSERT_EQ(back.Height(), h);
        EXPECT_LE(MaxChannelDifference(source, back), 4) << w << " x " << h;
    }
}

TEST(JpegImage, QualityIsHonouredAndClamped) {
    const TBitmap source = NumberedPicture(64, 64);
    const size_t low = Encoded(source, 10).size();
    const size_t high = Encoded(source, 100).size();
    EXPECT_LT(low * 2, high);
    EXPECT_EQ(Encoded(source, -5), Encoded(source, 1));
    EXPECT_EQ(Encoded(source, 1000), Encoded(source, 100));
}

TEST(JpegImage, FileRoundTripKeepsTheBytes) {
    TempFolder folder;
    const TBitmap source = GradientPicture(40, 30);
    SaveJpegFile(source, folder.File("a.jpg"), 100);
    EXPECT_EQ(ReadBytes(folder.File("a.jpg")), Encoded(source, 100));
    const TBitmap loaded = LoadJpegFile(folder.File("a.jpg"));
    EXPECT_TRUE(loaded.SamePixels(Decoded(Encoded(source, 100))));
    // Whatever the extension, the content decides.
    SaveJpegFile(source, folder.File("view.bmp"), 100);
    EXPECT_TRUE(LoadJpegFile(folder.File("view.bmp")).SamePixels(loaded));
}

TEST(JpegImage, GreyscaleBecomesThreeEqualChannels) {
    std::vector<uint8_t> grey;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) grey.push_back(static_cast<uint8_t>(x * 10 + y));
    const TBitmap picture = Decoded(WriteWithLibjpeg(grey, 24, 24, 1, JCS_GRAYSCALE, nullptr));
    ASSERT_EQ(picture.Width(), 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
            const uint8_t* px = picture.ScanLine(y) + 3 * x;
            EXPECT_EQ(px[0], px[1]);
            EXPECT_EQ(px[1], px[2]);
            EXPECT_NEAR(px[0], x * 10 + y, 4);
        }
}

TEST(JpegImage, PlainCmykIsConvertedToRgb) {
    const auto bytes = WriteWithLibjpeg(CmykQuarters(false), 32, 32, 4, JCS_CMYK,
                                        [](jpeg_compress_struct& c) {
                                            jpeg_set_colorspace(&c, JCS_CMYK);
                                            c.write_Adobe_marker = FALSE;
                                        });
    ExpectCmykQuarterColours(Decoded(bytes));
}

TEST(JpegImage, AdobeInvertedCmykAndYcckAreConvertedToRgb) {
    const auto cmyk = WriteWithLibjpeg(CmykQuarters(true), 32, 32, 4, JCS_CMYK,
                                       [](jpeg_compress_struct& c) {
                                           jpeg_set_colorspace(&c, JCS_CMYK);
                                           c.write_Adobe_marker = TRUE;
                                       });
    ExpectCmykQuarterColours(Decoded(cmyk));
    const auto ycck = WriteWithLibjpeg(CmykQuarters(true), 32, 32, 4, JCS_CMYK,
                                       [](jpeg_compress_struct& c) {
                                           jpeg_set_colorspace(&c, JCS_YCCK);
                                       });
    ExpectCmykQuarterColours(Decoded(ycck));
}

// Progressive, arithmetic and restart-marker streams carry the same coefficients as a
// baseline stream, so they must decode to the very same pixels.
TEST(JpegImage, EveryCodingVariantDecodesLikeBaseline) {
    const TBitmap source = NumberedPicture(50, 38);
    const std::vector<uint8_t> bgr = PackedBgr(source);
    const TBitmap baseline = Decoded(WriteWithLibjpeg(bgr, 50, 38, 3, JCS_EXT_BGR, nullptr));
    const std::vector<std::pair<const char*, std::function<void(jpeg_compress_struct&)>>>
        variants = {
            {"progressive", [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); }},
            {"arithmetic", [](jpeg_compress_struct& c) { c.arith_code = TRUE; }},
            {"restart markers", [](jpeg_compress_struct& c) { c.restart_interval = 1; }},
            {"progressive arithmetic with restarts",
             [](jpeg_compress_struct& c) {
                 jpeg_simple_progression(&c);
                 c.arith_code = TRUE;
                 c.restart_in_rows = 1;
             }},
        };
    for (const auto& [name, tune] : variants) {
        const TBitmap picture = Decoded(WriteWithLibjpeg(bgr, 50, 38, 3, JCS_EXT_BGR, tune));
        EXPECT_TRUE(picture.SamePixels(baseline)) << name;
    }
}

TEST(JpegImage, AnyChromaSubsamplingDecodes) {
    const TBitmap source = GradientPicture(45, 33);
    const std::vector<uint8_t> bgr = PackedBgr(source);
    for (auto [h, v] : {std::pair{1, 1}, std::pair{2, 1}, std::pair{1, 2}, std::pair{4, 1},
                        std::pair{4, 2}}) {
        const auto bytes =
            WriteWithLibjpeg(bgr, 45, 33, 3, JCS_EXT_BGR, [h = h, v = v](jpeg_compress_struct& c) {
                c.comp_info[0].h_samp_factor = h;
                c.comp_info[0].v_samp_factor = v;
            });
        const TBitmap picture = Decoded(bytes);
        ASSERT_EQ(picture.Width(), 45);
        ASSERT_EQ(picture.Height(), 33);
        EXPECT_LE(MaxChannelDifference(source, picture), 8) << h << "x" << v;
    }
}

TEST(JpegImage, TruncatedStreamDecodesWhatIsThereAndGreysTheRest) {
    const TBitmap source = GradientPicture(64, 64);
    const std::vector<uint8_t> bgr = PackedBgr(source);
    for (bool progressive : {false, true}) {
        std::vector<uint8_t> bytes =
            WriteWithLibjpeg(bgr, 64, 64, 3, JCS_EXT_BGR, [&](jpeg_compress_struct& c) {
                c.optimize_coding = FALSE;
                if (progressive) jpeg_simple_progression(&c);
            });
        TBitmap whole;
        const JpegDecodeReport wholeReport = DecodeJpegBytes(bytes.data(), bytes.size(), whole);
        EXPECT_TRUE(wholeReport.complete);
        EXPECT_EQ(wholeReport.rowsRead, 64);
        const size_t data = FirstScanData(bytes);
        bytes.resize(data + (bytes.size() - data) * 2 / 3);
        TBitmap picture;
        ASSERT_NO_THROW(picture = Decoded(bytes)) << progressive;
        ASSERT_EQ(picture.Width(), 64);
        ASSERT_EQ(picture.Height(), 64);
        // The decode says the picture is not whole, and (for a single scan) where the grey
        // begins; the same stream uncut reports itself complete.
        TBitmap again;
        const JpegDecodeReport report = DecodeJpegBytes(bytes.data(), bytes.size(), again);
        EXPECT_FALSE(report.complete) << progressive;
        if (!progressive) {
            // The top rows arrived intact; the last row lies in the missing part.
            EXPECT_LE(std::abs(picture.ScanLine(2)[30] - source.ScanLine(2)[30]), 6);
            for (int x = 0; x < 64 * 3; ++x) EXPECT_NEAR(picture.ScanLine(63)[x], 128, 2);
            EXPECT_GT(report.rowsRead, 2);
            EXPECT_LT(report.rowsRead, 64);
            // Every row it counts as read holds the picture.
            const int last = report.rowsRead - 1;
            EXPECT_LE(std::abs(picture.ScanLine(last)[30] - source.ScanLine(last)[30]), 6);
        } else {
            EXPECT_EQ(report.rowsRead, 64);
        }
    }
    // Cut anywhere after the first scan header: while the first row of blocks is incomplete
    // the stream is refused as damaged, from then on it opens, whatever the cut splits.
    for (bool progressive : {false, true}) {
        const std::vector<uint8_t> whole =
            WriteWithLibjpeg(bgr, 64, 64, 3, JCS_EXT_BGR, [&](jpeg_compress_struct& c) {
                if (progressive) jpeg_simple_progression(&c);
            });
        bool opened = false;
        for (size_t cut = FirstScanData(whole); cut < whole.size(); cut += 3) {
            const std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
            try {
                ASSERT_EQ(Decoded(part).Width(), 64);
                opened = true;
            } catch (const ImageError& e) {
                EXPECT_FALSE(opened) << "progressive " << progressive << " cut " << cut;
                EXPECT_EQ(std::string(e.what()), kDamagedFirstRow);
            }
        }
        EXPECT_TRUE(opened);
    }
}

// A few hundred bytes must not make the loader work through a huge picture: a header claiming
// far more pixels than the stream's bytes could code is refused, and so is one whose data
// ends inside its first row; once the data ends the rest is filled grey instead of decoded,
// whatever the coding.
TEST(JpegImage, SmallStreamsClaimingHugePicturesCostNoMoreThanTheirData) {
    const std::vector<uint8_t> small = Encoded(GradientPicture(64, 64), 90);
    const std::vector<uint8_t> arithmetic = WriteWithLibjpeg(
        PackedBgr(GradientPicture(64, 64)), 64, 64, 3, JCS_EXT_BGR,
        [](jpeg_compress_struct& c) { c.arith_code = TRUE; });
    // Arithmetic coding pads its data with zeros by design, so only the end of the bytes
    // shows where its data ran out.
    std::vector<uint8_t> arithmeticCut = WithSize(arithmetic, 1024, 1024);
    arithmeticCut.resize(arithmeticCut.size() - 2);
    const struct {
        std::vector<uint8_t> bytes;
        std::string message;
    } cases[] = {
        {WithSize(small, 1024, 1024), kDamagedFirstRow},
        {arithmeticCut, kDamagedFirstRow},
        {WithSize(arithmetic, 30000, 30000),
         "The JPEG file is damaged: " + std::to_string(arithmetic.size()) +
             " bytes cannot hold a picture of 30000 x 30000 pixels"},
    };
    for (const auto& c : cases) {
        TBitmap target = NumberedPicture(3, 2);
        try {
            DecodeJpegBytes(c.bytes.data(), c.bytes.size(), target);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const ImageError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_TRUE(target.SamePixels(NumberedPicture(3, 2)));
    }

    const TBitmap source = GradientPicture(256, 32);
    for (bool arithmetic : {false, true}) {
        const std::vector<uint8_t> strip = WriteWithLibjpeg(
            PackedBgr(source), 256, 32, 3, JCS_EXT_BGR,
            [&](jpeg_compress_struct& c) { c.arith_code = arithmetic; });
        std::vector<uint8_t> tall = WithSize(strip, 256, 4000);
        tall.resize(tall.size() - 2);  // no end marker: the data just stops
        const TBitmap picture = Decoded(tall);
        ASSERT_EQ(picture.Height(), 4000);
        EXPECT_LE(std::abs(picture.ScanLine(20)[300] - source.ScanLine(20)[300]), 8);
        for (int y = 64; y < 4000; ++y)
            for (int x = 0; x < 256 * 3; ++x)
                if (picture.ScanLine(y)[x] != 128)
                    FAIL() << "arithmetic " << arithmetic << " row " << y << " byte " << x;
    }
}

// A progressive stream whose first scan breaks off at a marker still has its later scans: the
// rows below the break keep the detail those bring.
TEST(JpegImage, LaterScansStillCountAfterTheFirstBreaksOff) {
    std::vector<uint8_t> bytes = WriteWithLibjpeg(
        PackedBgr(NumberedPicture(64, 256)), 64, 256, 3, JCS_EXT_BGR,
        [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); });
    const size_t data = FirstScanData(bytes);
    size_t end = data;
    while (!(bytes[end] == 0xFF && bytes[end + 1] != 0x00 && (bytes[end + 1] < 0xD0 || bytes[end + 1] > 0xD7))) ++end;
    bytes.erase(bytes.begin() + data + (end - data) / 2, bytes.begin() + end);
    const TBitmap picture = Decoded(bytes);
    int detail = 0;
    for (int x = 0; x < 64 * 3; ++x) detail += picture.ScanLine(250)[x] != 128;
    EXPECT_GT(detail, 64);
}

// Every scan is a pass over the whole picture: a stream with more scans than any encoder
// writes is refused before the target changes, also when junk hides its scans from a quick
// look at the stream.
TEST(JpegImage, StreamsWithTooManyScansAreRefused) {
    const std::vector<uint8_t> progressive = WriteWithLibjpeg(
        PackedBgr(GradientPicture(32, 32)), 32, 32, 3, JCS_EXT_BGR,
        [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); });
    const int scans = ScanCount(progressive);
    // The last scan, repeated just before the end marker.
    size_t last = progressive.size();
    while (!(progressive[last - 2] == 0xFF && progressive[last - 1] == 0xDA)) --last;
    const std::vector<uint8_t> lastScan(progressive.begin() + last - 2, progressive.end() - 2);
    auto withScans = [&](int total, bool junk) {
        std::vector<uint8_t> bytes(progressive.begin(), progressive.end() - 2);
        for (int i = scans; i < total; ++i) bytes.insert(bytes.end(), lastScan.begin(), lastScan.end());
        bytes.insert(bytes.end(), {0xFF, 0xD9});
        if (junk) bytes.insert(bytes.begin() + 2, {0x12, 0x34});
        return bytes;
    };
    for (bool junk : {false, true}) {
        EXPECT_EQ(Decoded(withScans(500, junk)).Width(), 32) << junk;
        TBitmap target = NumberedPicture(3, 2);
        const std::vector<uint8_t> bomb = withScans(501, junk);
        try {
            DecodeJpegBytes(bomb.data(), bomb.size(), target);
            ADD_FAILURE() << "no error " << junk;
        } catch (const ImageError& e) {
            EXPECT_EQ(std::string(e.what()), "The JPEG file is damaged: it has more than 500 scans");
        }
        EXPECT_TRUE(target.SamePixels(NumberedPicture(3, 2))) << junk;
    }
}

// Decoding reuses the target's memory: every byte of every row must still come from the
// stream, also where a damaged stream was padded by the library.
TEST(JpegImage, DecodingIntoAUsedBitmapGivesTheSamePixels) {
    const TBitmap source = NumberedPicture(37, 29);
    std::vector<uint8_t> whole = Encoded(source, 90);
    const size_t data = FirstScanData(whole);
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + data + (whole.size() - data) * 3 / 4);
    for (const auto* bytes : {&whole, &cut}) {
        const TBitmap fresh = Decoded(*bytes);
        TBitmap used(37, 29);
        std::memset(used.Bits(), 0xAB, used.Stride() * 29);
        DecodeJpegBytes(bytes->data(), bytes->size(), used);
        EXPECT_TRUE(used.SamePixels(fresh));
        for (int y = 0; y < 29; ++y)  // row padding is zero again
            for (size_t i = 37 * 3; i < used.Stride(); ++i) EXPECT_EQ(used.ScanLine(y)[i], 0);
    }
}

// Damage that libjpeg cannot get past fails with its own message; a progressive stream is read
// whole before the target changes, so the target stays as it was. Warnings about lesser damage
// are never printed.
TEST(JpegImage, FatalDamageInsideTheStreamFailsWithTheDecodersMessage) {
    const TBitmap source = NumberedPicture(64, 64);
    const std::vector<uint8_t> bytes = FatallyDamagedJpeg(source);
    TBitmap target = NumberedPicture(3, 3);
    testing::internal::CaptureStderr();
    try {
        DecodeJpegBytes(bytes.data(), bytes.size(), target);
        ADD_FAILURE() << "no error";
    } catch (const ImageError& e) {
        EXPECT_EQ(std::string(e.what()), "Bogus Huffman table definition");
    }
    EXPECT_TRUE(target.SamePixels(NumberedPicture(3, 3)));
    // A merely truncated stream warns inside libjpeg; nothing reaches the console.
    std::vector<uint8_t> cut = Encoded(source, 90);
    cut.resize(cut.size() - 100);
    Decoded(cut);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(JpegImage, StreamsThatAreNotJpegFailWithTheDecodersMessage) {
    EXPECT_EQ(DecodeError({'B', 'M', 1, 2, 3, 4}), "Not a JPEG file: starts with 0x42 0x4d");
    EXPECT_EQ(DecodeError({}), "Empty input file");
    EXPECT_EQ(DecodeError({0xFF, 0xD8}), "JPEG datastream contains no image");
    // A failed decode leaves the target as it was.
    TBitmap target = NumberedPicture(3, 2);
    TJPEGImage jpeg;
    jpeg.LoadFromBytes({'x', 'y', 'z'});
    EXPECT_THROW(jpeg.DecodeTo(target), ImageError);
    EXPECT_TRUE(target.SamePixels(NumberedPicture(3, 2)));
}

// A stream whose components the decoder cannot turn into colours fails before the target
// changes.
TEST(JpegImage, TwoComponentStreamsLeaveTheTargetAlone) {
    const std::vector<uint8_t> pixels(16 * 8 * 2, 90);
    const std::vector<uint8_t> bytes = WriteWithLibjpeg(pixels, 16, 8, 2, JCS_UNKNOWN, nullptr);
    TBitmap target = NumberedPicture(3, 2);
    try {
        DecodeJpegBytes(bytes.data(), bytes.size(), target);
        ADD_FAILURE() << "decoded";
    } catch (const ImageError& e) {
        EXPECT_EQ(std::string(e.what()), "Unsupported color conversion request");
    }
    EXPECT_TRUE(target.SamePixels(NumberedPicture(3, 2)));
}

TEST(JpegImage, MissingOrUnreadableFileNamesPathAndReason) {
    TempFolder folder;
    const std::string missing = folder.File("nothing here.jpg");
    try {
        LoadJpegFile(missing);
        FAIL() << "no error";
    } catch (const ImageError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    try {
        LoadJpegFile(folder.Path());
        FAIL() << "no error";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("Is a directory"), std::string::npos);
    }
    WriteBytes(folder.File("empty.jpg"), {});
    EXPECT_THROW(LoadJpegFile(folder.File("empty.jpg")), ImageError);
    // A named pipe is refused at once instead of waiting for a writer.
    ASSERT_EQ(::mkfifo(folder.File("pipe.jpg").c_str(), 0644), 0);
    EXPECT_THROW(LoadJpegFile(folder.File("pipe.jpg")), ImageError);
}

// A file named .jpg that is something else is refused by its first bytes, before room is made
// for the rest, with the words decoding its bytes would give.
TEST(JpegImage, FilesThatDoNotStartLikeAJpegAreRefusedBeforeBeingRead) {
    TempFolder folder;
    const std::string huge = folder.File("huge.jpg");
    WriteBytes(huge, {'B', 'M', 1, 2});
    ASSERT_EQ(::truncate(huge.c_str(), 1LL << 40), 0);  // a terabyte, sparse
    TJPEGImage jpeg;
    jpeg.LoadFromBytes({1, 2, 3});
    try {
        jpeg.LoadFromFile(huge);
        ADD_FAILURE() << "loaded";
    } catch (const ImageError& e) {
        EXPECT_EQ(std::string(e.what()), "Not a JPEG file: starts with 0x42 0x4d");
    }
    EXPECT_EQ(jpeg.Bytes(), (std::vector<uint8_t>{1, 2, 3}));

    const std::vector<std::vector<uint8_t>> streams = {
        {}, {0x42}, {0xFF, 0xD8}, {0x00, 0xD8, 0xFF}, Encoded(NumberedPicture(4, 4), 80)};
    for (const std::vector<uint8_t>& bytes : streams) {
        WriteBytes(folder.File("a.jpg"), bytes);
        std::string message = "(no error)";
        try {
            LoadJpegFile(folder.File("a.jpg"));
        } catch (const ImageError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, DecodeError(bytes)) << bytes.size() << " bytes";
    }
}

// The whole-file readers hold a file once: their peak is the file's size, not twice that.
TEST(JpegImage, ReadingAFileTakesItsSizeInMemoryOnce) {
    TempFolder folder;
    const std::string path = folder.File("big.jpg");
    const long long size = 64 << 20;
    WriteBytes(path, {0xFF, 0xD8});
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
    auto memoryKb = [](const char* field) {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + std::strlen(field));
        return -1LL;
    };
    auto peakOf = [&](const std::function<size_t()>& read) {
        // Resets the peak resident size to the current one.
        std::ofstream("/proc/self/clear_refs") << "5";
        const long long before = memoryKb("VmRSS:");
        if (before < 0 || memoryKb("VmHWM:") > before + 1024) return -1LL;
        EXPECT_EQ(static_cast<long long>(read()), size);
        return (memoryKb("VmHWM:") - before) * 1024;
    };
    const long long bytesPeak = peakOf([&] { return ReadWholeFile(path).size(); });
    const long long textPeak = peakOf([&] {
        std::string text;
        EXPECT_TRUE(ReadTextFile(path, text));
        return text.size();
    });
    if (bytesPeak < 0) GTEST_SKIP() << "no peak reset here";
    EXPECT_LT(bytesPeak, size * 3 / 2);
    EXPECT_LT(textPeak, size * 3 / 2);
}

TEST(JpegImage, PicturesAboveOneGigapixelAreRefusedByName) {
    // A genuine small stream whose frame header is made to declare 60000 x 60000.
    const std::string message = DecodeError(WithSize(Encoded(GradientPicture(16, 16), 90), 60000, 60000));
    EXPECT_NE(message.find("60000 x 60000"), std::string::npos) << message;
    EXPECT_NE(message.find("gigapixel"), std::string::npos) << message;
    // A bitmap is never made beyond the limit either, whoever asks.
    EXPECT_THROW(TBitmap(40000, 30000), ImageError);
    TBitmap kept = NumberedPicture(2, 2);
    EXPECT_THROW(kept.SetSizeForOverwrite(100000, 100000), ImageError);
    EXPECT_TRUE(kept.SamePixels(NumberedPicture(2, 2)));
}

TEST(JpegImage, EncodingAnEmptyPictureFailsCleanly) {
    TJPEGImage jpeg;
    EXPECT_THROW(jpeg.Assign(TBitmap()), ImageError);
    EXPECT_TRUE(jpeg.Empty());
}

TEST(SafeSave, FailedSavesKeepThePreviousFileAndLeaveNoTemporary) {
    TempFolder folder;
    const TBitmap picture = GradientPicture(300, 200);
    const std::string target = folder.File("keep.jpg");
    WriteBytes(target, {1, 2, 3});

    // A folder that does not exist.
    try {
        SaveJpegFile(picture, folder.File("no such folder/x.jpg"), 90);
        FAIL() << "no error";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("no such folder/x.jpg"), std::string::npos);
    }
    // A target that is a folder stays a folder.
    ASSERT_EQ(::mkdir(folder.File("dir.jpg").c_str(), 0755), 0);
    EXPECT_THROW(SaveJpegFile(picture, folder.File("dir.jpg"), 90), ImageError);
    EXPECT_THROW(SaveBmpFile(picture, folder.File("dir.jpg")), ImageError);
    struct stat info;
    ASSERT_EQ(::stat(folder.File("dir.jpg").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));

    // A write that runs out of room half-way (a file size limit works even for root).
    struct rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 2000;
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string jpegError, bmpError;
    try {
        SaveJpegFile(picture, target, 100);
    } catch (const ImageError& e) {
        jpegError = e.what();
    }
    try {
        SaveBmpFile(picture, target);
    } catch (const ImageError& e) {
        bmpError = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(jpegError.find("File too large"), std::string::npos) << jpegError;
    EXPECT_NE(bmpError.find("File too large"), std::string::npos) << bmpError;
    EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{1, 2, 3}));

    std::vector<std::string> left = FolderEntries(folder.Path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"dir.jpg", "keep.jpg"}));

    // A successful save replaces the old file and keeps its permissions.
    ::chmod(target.c_str(), 0640);
    SaveJpegFile(picture, target, 90);
    EXPECT_EQ(LoadJpegFile(target).Width(), 300);
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(BmpFile, WritesBottomUpRowsPaddedToFourBytes) {
    TempFolder folder;
    const TBitmap picture = NumberedPicture(3, 2);
    SaveBmpFile(picture, folder.File("p.bmp"));
    const std::vector<uint8_t> bytes = ReadBytes(folder.File("p.bmp"));
    ASSERT_EQ(bytes.size(), 54u + 2 * 12);
    auto le32 = [&](size_t at) {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    };
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(le32(2), 78u);
    EXPECT_EQ(le32(10), 54u);
    EXPECT_EQ(le32(14), 40u);
    EXPECT_EQ(le32(18), 3u);
    EXPECT_EQ(le32(22), 2u);
    EXPECT_EQ(bytes[26] | bytes[27] << 8, 1);
    EXPECT_EQ(bytes[28] | bytes[29] << 8, 24);
    EXPECT_EQ(le32(30), 0u);
    EXPECT_EQ(le32(34), 24u);
    // First stored row is the bottom row, then three zero padding bytes.
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(bytes[54 + i], picture.ScanLine(1)[i]);
        EXPECT_EQ(bytes[54 + 12 + i], picture.ScanLine(0)[i]);
    }
    for (int i = 9; i < 12; ++i) {
        EXPECT_EQ(bytes[54 + i], 0);
        EXPECT_EQ(bytes[54 + 12 + i], 0);
    }
    // An empty picture is still a valid file.
    SaveBmpFile(TBitmap(), folder.File("e.bmp"));
    EXPECT_EQ(ReadBytes(folder.File("e.bmp")).size(), 54u);
}

// ---- the memory budget -----------------------------------------------------------------------

TEST(PictureMemory, TheBudgetIsAQuarterOfTheMachineButAtLeastOneAndAHalfGigabytes) {
    const uint64_t machine = PictureMemoryBudget();
    EXPECT_GE(machine, uint64_t{3} << 29);
    {
        ScopedPictureMemoryBudget small(1000);
        EXPECT_EQ(PictureMemoryBudget(), 1000u);
    }
    EXPECT_EQ(PictureMemoryBudget(), machine);
    const struct {
        uint64_t bytes;
        const char* text;
    } amounts[] = {{2700000000u, "2.5 GB"}, {uint64_t{1} << 30, "1.0 GB"},
                   {400u << 20, "400 MB"}, {1, "1 MB"}};
    for (const auto& a : amounts) EXPECT_EQ(MemoryAmountText(a.bytes), a.text);
    EXPECT_EQ(MemoryQuestion(2800000000u), "This picture needs 2.6 GB of memory. Open it anyway?");
}

// A small stream claiming a large picture is refused from its header, before the picture's
// memory is touched; the thread that was allowed the amount decodes it, others still refuse.
TEST(PictureMemory, APictureAboveTheBudgetIsRefusedUntilItsThreadIsAllowed) {
    const std::vector<uint8_t> claiming = WithSize(Encoded(GradientPicture(16, 16), 90), 2000, 1000);
    const std::vector<uint8_t> real = Encoded(GradientPicture(1000, 400), 90);
    ScopedPictureMemoryBudget budget(1 << 20);
    TBitmap kept = NumberedPicture(3, 2);
    uint64_t needed = 0;
    try {
        DecodeJpegBytes(claiming.data(), claiming.size(), kept);
        ADD_FAILURE() << "decoded above the budget";
    } catch (const MemoryBudgetError& e) {
        needed = e.Needed();
        EXPECT_NE(std::string(e.what()).find("needs 6 MB"), std::string::npos) << e.what();
    }
    EXPECT_EQ(needed, TBitmap::StrideFor(2000) * 1000);
    EXPECT_TRUE(kept.SamePixels(NumberedPicture(3, 2)));
    EXPECT_THROW(kept.SetSize(2000, 1000), MemoryBudgetError);  // results are counted alike

    PictureMemoryAllowance allow(TBitmap::StrideFor(1000) * 400);
    EXPECT_NO_THROW(Decoded(real));
    std::thread other([&] { EXPECT_THROW(Decoded(real), MemoryBudgetError); });
    other.join();
}

// One store encodes picture after picture, growing past its first guess, shrinking and growing
// again, and always holds exactly the bytes a fresh encode gives.
TEST(JpegImage, AReusedStoreHoldsTheBytesOfAFreshEncode) {
    EncodedBytes store;
    const std::pair<int32_t, int32_t> sizes[] = {{120, 90}, {3, 2}, {300, 200}, {1, 1}, {64, 48}};
    for (const auto& [w, h] : sizes) {
        const TBitmap picture = NumberedPicture(w, h);
        for (int quality : {100, 40}) {
            EncodeJpeg(picture, quality, store);
            const std::vector<uint8_t> fresh = EncodeJpeg(picture, quality);
            EXPECT_EQ(std::vector<uint8_t>(store.begin(), store.end()), fresh)
                << w << " x " << h << " at " << quality;
        }
    }
}

// The rows a decode hands on cover the picture once, top to bottom, each already final: a whole
// stream, and one cut off whose missing rows are filled with grey.
TEST(JpegImage, DecodedRowsAreHandedOnOnceInOrderWhenFinal) {
    const TBitmap source = NumberedPicture(40, 70);
    for (const std::vector<uint8_t>& bytes : {Encoded(source, 90), CutOffJpeg(source)}) {
        TBitmap picture;
        std::vector<std::vector<uint8_t>> seen;
        int32_t next = 0;
        DecodeJpegBytes(bytes.data(), bytes.size(), picture,
                        [&](TBitmap& target, int32_t first, int32_t end) {
                            EXPECT_EQ(&target, &picture);
                            EXPECT_EQ(first, next);
                            EXPECT_LT(first, end);
                            next = end;
                            for (int32_t y = first; y < end; ++y)
                                seen.emplace_back(target.ScanLine(y), target.ScanLine(y) + 120);
                        });
        EXPECT_EQ(next, 70);
        TBitmap plain;
        DecodeJpegBytes(bytes.data(), bytes.size(), plain);
        ASSERT_EQ(seen.size(), 70u);
        for (int32_t y = 0; y < 70; ++y)
            EXPECT_EQ(seen[y], std::vector<uint8_t>(plain.ScanLine(y), plain.ScanLine(y) + 120))
                << "row " << y;
    }
}

// A file decoded, worked on and encoded again a band of rows at a time gives the bytes of the
// whole-picture way, for every kind of stream (the band must hold what one call of the decoder
// delivers, which the sampling and the scans change), and a damaged one is refused with the
// batch's own reason.
TEST(JpegImage, TranscodingInBandsGivesTheBytesOfAWholeDecodeAndEncode) {
    const TBitmap source = NumberedPicture(45, 133);
    const std::vector<uint8_t> bgr = PackedBgr(source);
    std::vector<uint8_t> grey;
    for (int i = 0; i < 45 * 133; ++i) grey.push_back(static_cast<uint8_t>(i * 13));
    auto sampled = [](int h, int v) {
        return [h, v](jpeg_compress_struct& c) {
            c.comp_info[0].h_samp_factor = h;
            c.comp_info[0].v_samp_factor = v;
        };
    };
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> streams = {
        {"4:2:0", WriteWithLibjpeg(bgr, 45, 133, 3, JCS_EXT_BGR, nullptr)},
        {"4:4:4", WriteWithLibjpeg(bgr, 45, 133, 3, JCS_EXT_BGR, sampled(1, 1))},
        {"1x2", WriteWithLibjpeg(bgr, 45, 133, 3, JCS_EXT_BGR, sampled(1, 2))},
        {"4x2", WriteWithLibjpeg(bgr, 45, 133, 3, JCS_EXT_BGR, sampled(4, 2))},
        {"progressive arithmetic with restarts",
         WriteWithLibjpeg(bgr, 45, 133, 3, JCS_EXT_BGR,
                          [](jpeg_compress_struct& c) {
                              jpeg_simple_progression(&c);
                              c.arith_code = TRUE;
                              c.restart_in_rows = 1;
                          })},
        {"greyscale", WriteWithLibjpeg(grey, 45, 133, 1, JCS_GRAYSCALE, nullptr)},
        {"CMYK", WriteWithLibjpeg(CmykQuarters(true), 32, 32, 4, JCS_CMYK,
                                  [](jpeg_compress_struct& c) { jpeg_set_colorspace(&c, JCS_YCCK); })},
        {"one row", Encoded(NumberedPicture(70, 1), 90)},
    };
    const DecodedRows flip = [](TBitmap& rows, int32_t first, int32_t end) {
        for (int32_t y = first; y < end; ++y)
            for (int32_t i = 0; i < 3 * rows.Width(); ++i) rows.ScanLine(y)[i] ^= 0x5A;
    };
    TBitmap band;
    EncodedBytes transcoded;
    for (const auto& [name, bytes] : streams)
        for (int quality : {100, 75}) {
            TBitmap whole;
            DecodeJpegBytes(bytes.data(), bytes.size(), whole, flip);
            TranscodeJpeg(bytes.data(), bytes.size(), quality, flip, band, transcoded);
            EXPECT_EQ(std::vector<uint8_t>(transcoded.begin(), transcoded.end()),
                      EncodeJpeg(whole, quality))
                << name << " at " << quality;
            EXPECT_LE(band.Height(), 64) << name;  // of up to 133 rows
        }

    for (const std::vector<uint8_t>& damaged : {CutOffJpeg(source), FatallyDamagedJpeg(source)}) {
        std::string wholeReason;
        try {
            TBitmap whole;
            DecodeWholeJpeg(damaged, whole);
        } catch (const ImageError& e) {
            wholeReason = e.what();
        }
        EXPECT_FALSE(wholeReason.empty());
        try {
            TranscodeJpeg(damaged.data(), damaged.size(), 90, flip, band, transcoded);
            ADD_FAILURE() << "a damaged stream was transcoded";
        } catch (const ImageError& e) {
            EXPECT_EQ(e.what(), wholeReason);
        }
    }
}
