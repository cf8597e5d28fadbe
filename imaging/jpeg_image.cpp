#include "jpeg_image.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include <jpeglib.h>
#include <jerror.h>

#include "atomic_file.h"
#include "image_error.h"
#include "memory_budget.h"

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. It is compiled as C,
// so a C++ exception must not travel through its frames: error_exit jumps back to the setjmp
// of Guarded() instead. Only libjpeg frames and the trivial lambda frame lie between the two,
// so no destructor is skipped; every object that needs cleaning up lives in the caller of
// Guarded() and is destroyed normally afterwards.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code = 0;
    char message[JMSG_LENGTH_MAX] = {};
};

void ErrorExit(j_common_ptr cinfo) {
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = cinfo->err->msg_code;
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (corrupt data, premature end of stream) are counted, never printed: a damaged
// picture still shows what it holds.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) cinfo->err->num_warnings++;
}

void OutputMessage(j_common_ptr) {}

void InstallErrorManager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.emit_message = EmitMessage;
    err.pub.output_message = OutputMessage;
}

template <typename Fn>
bool Guarded(ErrorManager& err, Fn&& fn) {
    if (setjmp(err.jump)) return false;
    fn();
    return true;
}

std::string SizeText(uint64_t width, uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

[[noreturn]] void ThrowLibraryError(const ErrorManager& err, uint64_t width, uint64_t height) {
    if (err.code == JERR_OUT_OF_MEMORY && width && height)
        throw ImageError("Not enough memory for a picture of " + SizeText(width, height));
    throw ImageError(err.message);
}

// More scans than any encoder writes (libjpeg-turbo's own tools stop at this many). Every
// scan is a pass over the whole picture, so a stream repeating an empty scan thousands of
// times would keep the program busy for minutes and hold a gigabyte meanwhile.
constexpr int kMaxScans = 500;
const char kTooManyScans[] = "The JPEG file is damaged: it has more than 500 scans";
const char kNoFirstRow[] =
    "The JPEG file is damaged: its data ends before the first row of the picture";
// Pixels a stream may claim per byte. Huffman coding spends at least one bit per block and
// component, so no such stream gets past about 512 pixels per byte; arithmetic coding of a
// flat area costs next to nothing, so a stream of a few hundred bytes (or a damaged one,
// padded by the decoder) could otherwise make the program decode a gigapixel. Thirty-two
// times the Huffman bound leaves every real picture, also one truncated after its first row.
constexpr uint64_t kMaxPixelsPerByte = 16384;

struct Decompressor {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    // Where the pixel data stopped short (the bytes ran out, or a marker stood where data
    // should continue): the scan and the row of blocks the decoder was in. Everything after
    // that point in that scan decodes as grey.
    bool ended = false;
    bool endedWithTheBytes = false;  // rather than at a marker, after which more scans may come
    int endScan = 0;
    JDIMENSION endRow = 0;

    Decompressor();
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    // The data ended inside the first row of the first scan: nothing of the picture is there,
    // however large its header says it is.
    // A picture of one row of blocks is exempt: it costs little whatever happens, and an
    // encoder that drops the last few bits of its data would otherwise lose it.
    bool NothingDecoded() const {
        return ended && endScan <= 1 && endRow == 0 && cinfo.total_iMCU_rows > 1;
    }
    // The data ended in the first scan, and nothing came after it (the bytes ran out, or the
    // stream has only that scan), so every row after the row of blocks that follows the end is
    // grey and need not be decoded.
    bool RestIsGrey(JDIMENSION outputRow) const {
        if (!ended || endScan > 1) return false;
        if (!endedWithTheBytes && jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&cinfo)))
            return false;
        const uint64_t rowsPerBlockRow =
            static_cast<uint64_t>(cinfo.max_v_samp_factor) * cinfo.min_DCT_scaled_size;
        return outputRow >= (static_cast<uint64_t>(endRow) + 2) * rowsPerBlockRow;
    }
};

Decompressor* Owner(j_common_ptr cinfo) { return static_cast<Decompressor*>(cinfo->client_data); }

// Stops the decoder from inside libjpeg, the way ErrorExit does, with a message of our own.
[[noreturn]] void Refuse(j_common_ptr cinfo, const char* message) {
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = -1;
    std::snprintf(err->message, sizeof err->message, "%s", message);
    std::longjmp(err->jump, 1);
}

void WatchWarnings(j_common_ptr cinfo, int level) {
    EmitMessage(cinfo, level);
    const int code = cinfo->err->msg_code;
    Decompressor* d = Owner(cinfo);
    if (level < 0 && !d->ended && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) {
        d->ended = true;
        d->endedWithTheBytes = code == JWRN_JPEG_EOF;
        d->endScan = d->cinfo.input_scan_number;
        d->endRow = d->cinfo.input_iMCU_row;
    }
}

// libjpeg calls this between rows of blocks, also while it reads the scans of a progressive
// stream into memory: the place to stop a stream before its cost grows.
void WatchProgress(j_common_ptr cinfo) {
    Decompressor* d = Owner(cinfo);
    if (d->cinfo.input_scan_number > kMaxScans) Refuse(cinfo, kTooManyScans);
    if (d->NothingDecoded()) Refuse(cinfo, kNoFirstRow);
}

Decompressor::Decompressor() {
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&progress, 0, sizeof progress);
    InstallErrorManager(err);
    err.pub.emit_message = WatchWarnings;
    progress.progress_monitor = WatchProgress;
    cinfo.err = &err.pub;
    cinfo.client_data = this;
}

// Grows a malloc'ed block as libjpeg fills it; freed by its owner, whatever happens.
struct MemoryDestination {
    jpeg_destination_mgr pub;
    JOCTET* data = nullptr;
    std::size_t capacity = 0;
    std::size_t length = 0;
    ~MemoryDestination() { std::free(data); }
};

void InitDestination(j_compress_ptr cinfo) {
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->data;
    dest->pub.free_in_buffer = dest->capacity;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    const std::size_t used = dest->capacity;  // libjpeg only calls this on a full buffer
    const std::size_t grown = dest->capacity * 2;
    JOCTET* bigger = static_cast<JOCTET*>(std::realloc(dest->data, grown));
    if (!bigger) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    dest->data = bigger;
    dest->capacity = grown;
    dest->pub.next_output_byte = bigger + used;
    dest->pub.free_in_buffer = grown - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->length = dest->capacity - dest->pub.free_in_buffer;
}

struct Compressor {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    MemoryDestination dest;
    Compressor() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&dest.pub, 0, sizeof dest.pub);
        InstallErrorManager(err);
        cinfo.err = &err.pub;
    }
    ~Compressor() { jpeg_destroy_compress(&cinfo); }
};

inline uint8_t MulDiv255(unsigned a, unsigned b) {
    return static_cast<uint8_t>((a * b + 127) / 255);
}

// Converts one CMYK row to blue, green, red. Image editors that write an Adobe marker store
// the ink amounts inverted (255 = no ink); plain CMYK stores the ink amounts themselves.
void CmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, uint32_t width, bool inverted) {
    if (inverted) {
        for (uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
            const unsigned k = cmyk[3];
            bgr[0] = MulDiv255(cmyk[2], k);
            bgr[1] = MulDiv255(cmyk[1], k);
            bgr[2] = MulDiv255(cmyk[0], k);
        }
    } else {
        for (uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
            const unsigned k = 255u - cmyk[3];
            bgr[0] = MulDiv255(255u - cmyk[2], k);
            bgr[1] = MulDiv255(255u - cmyk[1], k);
            bgr[2] = MulDiv255(255u - cmyk[0], k);
        }
    }
}

struct StreamLayout {
    // For a stream that does not end with the end-of-image marker, the length up to the last
    // marker segment that arrived whole. libjpeg pads a stream cut inside entropy-coded data
    // by itself, but a cut inside a table segment (progressive files carry Huffman tables
    // between their scans) would make it parse the padding as a table and give up on the
    // whole picture.
    std::size_t usable;
    // Scan headers met before the end, or before junk between segments stopped the walk.
    int scans;
};

StreamLayout ReadLayout(const uint8_t* bytes, std::size_t size) {
    StreamLayout layout{size, 0};
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return layout;  // let libjpeg judge
    const bool whole = bytes[size - 2] == 0xFF && bytes[size - 1] == 0xD9;
    auto cutAt = [&](std::size_t at) {
        if (!whole) layout.usable = at;
        return layout;
    };
    std::size_t pos = 2;
    while (pos < size) {
        if (bytes[pos] != 0xFF) return layout;  // junk between segments: libjpeg skips it
        const std::size_t segment = pos;
        while (pos < size && bytes[pos] == 0xFF) ++pos;
        if (pos >= size) return cutAt(segment);
        const uint8_t code = bytes[pos++];
        if (code == 0xD9) return layout;
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) continue;
        if (pos + 2 > size) return cutAt(segment);
        const std::size_t length = static_cast<std::size_t>(bytes[pos]) << 8 | bytes[pos + 1];
        if (length < 2 || length > size - pos) return cutAt(segment);
        pos += length;
        if (code != 0xDA) continue;
        ++layout.scans;
        // Entropy-coded data runs to the next marker other than a stuffed zero or a restart.
        for (;;) {
            const void* ff = std::memchr(bytes + pos, 0xFF, size - pos);
            if (!ff) return layout;
            pos = static_cast<std::size_t>(static_cast<const uint8_t*>(ff) - bytes);
            if (pos + 1 >= size) return layout;
            const uint8_t next = bytes[pos + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                pos += 2;
            } else if (next == 0xFF) {
                pos += 1;
            } else {
                break;
            }
        }
    }
    return layout;
}

// What a decode of a stream whose header was read takes: the bitmap, and for a stream of
// several scans the coefficients libjpeg keeps for the whole picture meanwhile.
uint64_t DecodeMemoryNeed(jpeg_decompress_struct& cinfo) {
    uint64_t needed =
        TBitmap::StrideFor(static_cast<int32_t>(cinfo.output_width)) * uint64_t{cinfo.output_height};
    if (jpeg_has_multiple_scans(&cinfo))
        for (int c = 0; c < cinfo.num_components; ++c)
            needed += uint64_t{cinfo.comp_info[c].width_in_blocks} *
                      cinfo.comp_info[c].height_in_blocks * DCTSIZE2 * sizeof(JCOEF);
    return needed;
}

// band: target holds only a band of rows that the decoder fills round and round, and rowsDone
// (which must then be given) sees each piece in band rows before it is overwritten. A stream
// whose data ended is then left at its last decoded row instead of filled with grey: such a
// stream is refused whole by the callers that decode in bands.
JpegDecodeReport Decode(const uint8_t* bytes, std::size_t size, TBitmap& target,
                        const DecodedRows& rowsDone = nullptr, bool band = false) {
    const StreamLayout layout = ReadLayout(bytes, size);
    if (layout.scans > kMaxScans) throw ImageError(kTooManyScans);
    Decompressor d;
    jpeg_decompress_struct& cinfo = d.cinfo;
    const bool headerRead = Guarded(d.err, [&] {
        jpeg_create_decompress(&cinfo);
        cinfo.progress = &d.progress;
        jpeg_mem_src(&cinfo, bytes, static_cast<unsigned long>(layout.usable));
        jpeg_read_header(&cinfo, TRUE);
        const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
        cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
        jpeg_calc_output_dimensions(&cinfo);
    });
    if (!headerRead) ThrowLibraryError(d.err, 0, 0);

    const uint32_t width = cinfo.output_width;
    const uint32_t height = cinfo.output_height;
    if (static_cast<uint64_t>(width) * height > static_cast<uint64_t>(TBitmap::kMaxPixels))
        throw ImageError("Picture of " + SizeText(width, height) +
                         " is too large: the limit is one gigapixel");
    if (static_cast<uint64_t>(width) * height > kMaxPixelsPerByte * size)
        throw ImageError("The JPEG file is damaged: " + std::to_string(size) +
                         " bytes cannot hold a picture of " + SizeText(width, height));
    CheckPictureMemory(DecodeMemoryNeed(cinfo));  // before anything of the picture's size
    const bool cmyk = cinfo.out_color_space == JCS_CMYK;
    const bool inverted = cmyk && cinfo.saw_Adobe_marker;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    // The first row of blocks goes to a strip of its own, so that a stream with nothing
    // decodable (or one the decoder cannot deliver at all) is refused with target untouched.
    const uint32_t stripRows = std::min<uint64_t>(
        height, static_cast<uint64_t>(cinfo.max_v_samp_factor) * cinfo.min_DCT_scaled_size);

    // Everything that may throw is made before libjpeg starts decoding, and before target is
    // touched. The pixels go straight into target's rows, reusing its storage: a viewer that
    // decodes frame after frame into one bitmap then never waits for fresh pages.
    std::vector<JSAMPROW> rows;
    std::vector<uint8_t> cmykRow;
    std::vector<uint8_t> strip;
    try {
        rows.resize(height);
        if (cmyk) cmykRow.resize(static_cast<std::size_t>(width) * 4);
        strip.resize(rowBytes * stripRows);
    } catch (const std::bad_alloc&) {
        throw ImageError("Not enough memory for a picture of " + SizeText(width, height));
    }
    // Enough for what one call of the decoder delivers (a row of blocks) and the strip.
    const uint32_t bandRows = band ? std::min<uint32_t>(height, 2 * stripRows) : height;
    // Hands rows [first, end) of the picture, now final, to the caller: in a band, piece by
    // piece where the rows wrap round.
    auto done = [&](uint32_t first, uint32_t end) {
        if (!rowsDone) return;
        while (first < end) {
            const uint32_t at = first % bandRows;
            const uint32_t count = std::min(end - first, bandRows - at);
            rowsDone(target, static_cast<int32_t>(at), static_cast<int32_t>(at + count));
            first += count;
        }
    };
    // Reads lines until `end` (or until the decoder has no more) into rows[line]; inTarget:
    // rows are target's own, each handed on as it arrives.
    auto readLines = [&](JSAMPROW* into, JDIMENSION end, bool stopWhereGrey, bool inTarget) {
        JSAMPROW cmykRows[1] = {cmykRow.data()};
        while (cinfo.output_scanline < end) {
            if (stopWhereGrey && d.RestIsGrey(cinfo.output_scanline)) break;
            const JDIMENSION first = cinfo.output_scanline;
            if (cmyk) {
                if (jpeg_read_scanlines(&cinfo, cmykRows, 1) != 1) break;
                CmykRowToBgr(cmykRow.data(), into[cinfo.output_scanline - 1], width, inverted);
            } else if (jpeg_read_scanlines(&cinfo, into + cinfo.output_scanline,
                                           std::min<JDIMENSION>(end - cinfo.output_scanline,
                                                                bandRows)) == 0) {
                break;
            }
            if (inTarget) done(first, cinfo.output_scanline);
        }
    };

    // Starting reads every scan of a progressive or multi-scan stream; the progress monitor
    // stops it there when there are too many or the first row never arrives.
    const bool started = Guarded(d.err, [&] {
        jpeg_start_decompress(&cinfo);
        for (uint32_t y = 0; y < stripRows; ++y) rows[y] = strip.data() + y * rowBytes;
        readLines(rows.data(), stripRows, false, false);
    });
    if (!started) ThrowLibraryError(d.err, width, height);
    if (d.NothingDecoded()) throw ImageError(kNoFirstRow);

    target.SetSizeForOverwrite(static_cast<int32_t>(width), static_cast<int32_t>(bandRows));
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = target.ScanLine(static_cast<int32_t>(y % bandRows));
    for (uint32_t y = 0; y < cinfo.output_scanline; ++y)
        std::memcpy(rows[y], strip.data() + y * rowBytes, rowBytes);
    done(0, cinfo.output_scanline);

    const bool decoded = Guarded(d.err, [&] {
        // Once the data has ended in the first scan, the rest is grey: filled below instead of
        // decoded, so a small stream claiming a huge picture costs no more than its data.
        readLines(rows.data(), height, true, true);
        // jpeg_finish_decompress is not called: it would only read on to the end marker, and
        // damage after the last row must not cost the user the picture.
    });
    // The library pads a truncated stream itself; rows it never delivered (a fatal error in
    // the middle of the pixel data, or the grey rest of a stream that ended) come out mid
    // grey, like the rest of a damaged picture.
    if (!band || !d.ended) {
        for (uint32_t first = cinfo.output_scanline; first < height;) {
            const uint32_t end = std::min(height, first + bandRows - first % bandRows);
            for (uint32_t y = first; y < end; ++y) std::memset(rows[y], 128, rowBytes);
            done(first, end);
            first = end;
        }
    }
    if (!decoded) ThrowLibraryError(d.err, width, height);
    JpegDecodeReport report;
    report.rowsRead = static_cast<int32_t>(height);
    if (d.ended) {
        // Data that ended in a later scan of a progressive stream still left every row some
        // detail; one that ended in the first scan left the rows from its row of blocks on grey.
        report.complete = false;
        if (d.endScan <= 1) {
            const uint64_t rowsPerBlockRow =
                static_cast<uint64_t>(cinfo.max_v_samp_factor) * cinfo.min_DCT_scaled_size;
            report.rowsRead = static_cast<int32_t>(
                std::min<uint64_t>(height, static_cast<uint64_t>(d.endRow) * rowsPerBlockRow));
        }
    }
    return report;
}

// Grows a reused byte store as libjpeg fills it; the store keeps its capacity for the next
// picture, so a batch encodes file after file without fresh pages.
struct StoreDestination {
    jpeg_destination_mgr pub;
    EncodedBytes* store = nullptr;
};

void InitStore(j_compress_ptr cinfo) {
    StoreDestination* dest = reinterpret_cast<StoreDestination*>(cinfo->dest);
    EncodedBytes& store = *dest->store;
    store.resize(store.capacity());  // unset bytes: nothing is cleared
    dest->pub.next_output_byte = store.data();
    dest->pub.free_in_buffer = store.size();
}

boolean EmptyStore(j_compress_ptr cinfo) {
    StoreDestination* dest = reinterpret_cast<StoreDestination*>(cinfo->dest);
    EncodedBytes& store = *dest->store;
    const std::size_t used = store.size();  // libjpeg only calls this on a full buffer
    bool grown = true;
    try {
        store.resize(used * 2);
    } catch (const std::bad_alloc&) {
        grown = false;  // the jump out of libjpeg must not start inside a handler
    }
    if (!grown) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    dest->pub.next_output_byte = store.data() + used;
    dest->pub.free_in_buffer = store.size() - used;
    return TRUE;
}

void TermStore(j_compress_ptr cinfo) {
    StoreDestination* dest = reinterpret_cast<StoreDestination*>(cinfo->dest);
    dest->store->resize(dest->store->size() - dest->pub.free_in_buffer);
}

std::size_t InitialEncodedSize(uint32_t width, uint32_t height) {
    const std::size_t initial = static_cast<std::size_t>(width) * height / 4;
    return initial < 4096 ? 4096 : initial;
}

// Starts c on a picture of width x height BGR pixels at quality (kept to 1..100), writing into
// dest, whose buffer the caller has set up. Every encode of this program goes through here,
// so a picture encoded whole or a band at a time gives the same bytes.
void StartCompress(Compressor& c, jpeg_destination_mgr* dest, uint32_t width, uint32_t height,
                   int quality) {
    jpeg_compress_struct& cinfo = c.cinfo;
    if (quality < 1) quality = 1;
    if (quality > 100) quality = 100;
    const bool started = Guarded(c.err, [&] {
        jpeg_create_compress(&cinfo);
        cinfo.dest = dest;
        cinfo.image_width = width;
        cinfo.image_height = height;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, quality, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
    });
    if (!started) ThrowLibraryError(c.err, width, height);
}

// Hands rows [first, end) of source to the encoder c started, through rows (reused storage).
void WriteRows(Compressor& c, const TBitmap& source, int32_t first, int32_t end,
               std::vector<JSAMPROW>& rows) {
    if (first >= end) return;
    try {
        rows.resize(static_cast<std::size_t>(end - first));
    } catch (const std::bad_alloc&) {
        throw ImageError("Not enough memory for a picture of " +
                         SizeText(c.cinfo.image_width, c.cinfo.image_height));
    }
    for (int32_t y = first; y < end; ++y)
        rows[static_cast<std::size_t>(y - first)] = const_cast<JSAMPROW>(source.ScanLine(y));
    jpeg_compress_struct& cinfo = c.cinfo;
    const JDIMENSION count = static_cast<JDIMENSION>(end - first);
    const bool written = Guarded(c.err, [&] {
        JDIMENSION done = 0;
        while (done < count) done += jpeg_write_scanlines(&cinfo, rows.data() + done, count - done);
    });
    if (!written) ThrowLibraryError(c.err, cinfo.image_width, cinfo.image_height);
}

void FinishCompress(Compressor& c) {
    if (!Guarded(c.err, [&] { jpeg_finish_compress(&c.cinfo); }))
        ThrowLibraryError(c.err, c.cinfo.image_width, c.cinfo.image_height);
}

// Encodes source into dest, whose buffer the caller has set up.
void EncodeTo(const TBitmap& source, int quality, Compressor& c, jpeg_destination_mgr* dest) {
    const uint32_t width = static_cast<uint32_t>(source.Width() > 0 ? source.Width() : 0);
    const uint32_t height = static_cast<uint32_t>(source.Height() > 0 ? source.Height() : 0);
    std::vector<JSAMPROW> rows;
    StartCompress(c, dest, width, height, quality);
    WriteRows(c, source, 0, static_cast<int32_t>(height), rows);
    FinishCompress(c);
}

std::vector<uint8_t> Encode(const TBitmap& source, int quality) {
    Compressor c;
    const uint32_t width = static_cast<uint32_t>(source.Width() > 0 ? source.Width() : 0);
    const uint32_t height = static_cast<uint32_t>(source.Height() > 0 ? source.Height() : 0);
    const std::size_t initial = InitialEncodedSize(width, height);
    c.dest.data = static_cast<JOCTET*>(std::malloc(initial));
    if (!c.dest.data)
        throw ImageError("Not enough memory for a picture of " + SizeText(width, height));
    c.dest.capacity = initial;
    c.dest.pub.init_destination = InitDestination;
    c.dest.pub.empty_output_buffer = EmptyOutputBuffer;
    c.dest.pub.term_destination = TermDestination;
    EncodeTo(source, quality, c, &c.dest.pub);
    try {
        return std::vector<uint8_t>(c.dest.data, c.dest.data + c.dest.length);
    } catch (const std::bad_alloc&) {
        throw ImageError("Not enough memory for a picture of " + SizeText(width, height));
    }
}

// Sets dest up to write into store, which is given room for the picture's own size in bytes
// at once, which hardly any JPEG exceeds: only the pages the encoder writes are ever touched,
// while growing by doubling would copy the bytes into fresh pages two or three times on its
// first use.
void SetUpStore(StoreDestination& dest, EncodedBytes& store, uint32_t width, uint32_t height) {
    std::memset(&dest.pub, 0, sizeof dest.pub);
    dest.store = &store;
    dest.pub.init_destination = InitStore;
    dest.pub.empty_output_buffer = EmptyStore;
    dest.pub.term_destination = TermStore;
    const std::size_t room =
        std::max(InitialEncodedSize(width, height), 3 * static_cast<std::size_t>(width) * height);
    try {
        if (store.capacity() < room) store.reserve(room);
    } catch (const std::bad_alloc&) {
        throw ImageError("Not enough memory for a picture of " + SizeText(width, height));
    }
}

void EncodeIntoStore(const TBitmap& source, int quality, EncodedBytes& store) {
    Compressor c;
    StoreDestination dest;
    const uint32_t width = static_cast<uint32_t>(source.Width() > 0 ? source.Width() : 0);
    const uint32_t height = static_cast<uint32_t>(source.Height() > 0 ? source.Height() : 0);
    SetUpStore(dest, store, width, height);
    EncodeTo(source, quality, c, &dest.pub);
}

}  // namespace

JpegSize JpegHeaderSize(const uint8_t* bytes, std::size_t size) {
    Decompressor d;
    jpeg_decompress_struct& cinfo = d.cinfo;
    const bool headerRead = Guarded(d.err, [&] {
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, bytes, static_cast<unsigned long>(ReadLayout(bytes, size).usable));
        jpeg_read_header(&cinfo, TRUE);
        jpeg_calc_output_dimensions(&cinfo);
    });
    if (!headerRead) ThrowLibraryError(d.err, 0, 0);
    const uint64_t width = cinfo.output_width;
    const uint64_t height = cinfo.output_height;
    if (width * height > static_cast<uint64_t>(TBitmap::kMaxPixels))
        throw ImageError("Picture of " + SizeText(width, height) +
                         " is too large: the limit is one gigapixel");
    return JpegSize{static_cast<int32_t>(width), static_cast<int32_t>(height),
                    DecodeMemoryNeed(cinfo)};
}

std::string DamagedSourceReason(const JpegDecodeReport& report, int32_t height) {
    if (report.complete) return std::string();
    if (report.rowsRead < height)
        return "damaged: only the first " + std::to_string(report.rowsRead) +
               " rows could be read";
    return "damaged: the file ends before the picture's last pass, so its detail is incomplete";
}

JpegDecodeReport DecodeJpegBytes(const uint8_t* bytes, std::size_t size, TBitmap& target,
                                 const DecodedRows& rowsDone) {
    return Decode(bytes, size, target, rowsDone);
}

void TranscodeJpeg(const uint8_t* bytes, std::size_t size, int quality, const DecodedRows& rowWork,
                   TBitmap& band, EncodedBytes& encoded) {
    const JpegSize picture = JpegHeaderSize(bytes, size);
    const uint32_t width = static_cast<uint32_t>(picture.width);
    const uint32_t height = static_cast<uint32_t>(picture.height);
    Compressor c;
    StoreDestination dest;
    // Started with the first rows, once the decoder has accepted the stream's size: a small
    // stream claiming a huge picture then never gets a store of that size.
    bool started = false;
    auto start = [&] {
        if (started) return;
        SetUpStore(dest, encoded, width, height);
        StartCompress(c, &dest.pub, width, height, quality);
        started = true;
    };
    std::vector<JSAMPROW> rows;
    const JpegDecodeReport report = Decode(
        bytes, size, band,
        [&](TBitmap& target, int32_t first, int32_t end) {
            if (rowWork) rowWork(target, first, end);
            start();
            WriteRows(c, target, first, end, rows);
        },
        true);
    const std::string damaged = DamagedSourceReason(report, picture.height);
    if (!damaged.empty()) throw ImageError(damaged);
    start();
    FinishCompress(c);
}

void TJPEGImage::LoadFromFile(const std::string& path) {
    // A file that does not start like a JPEG is refused, in the decoder's own words, before
    // its bytes are read: a huge file named .jpg costs no memory.
    bytes_ = ReadWholeFile(path, [](const uint8_t* start, std::size_t size) {
        if (size < 2 || (start[0] == 0xFF && start[1] == 0xD8)) return;
        char message[64];
        std::snprintf(message, sizeof message, "Not a JPEG file: starts with 0x%02x 0x%02x",
                      start[0], start[1]);
        throw ImageError(message);
    });
}

void TJPEGImage::LoadFromBytes(std::vector<uint8_t> bytes) { bytes_ = std::move(bytes); }

JpegDecodeReport TJPEGImage::DecodeTo(TBitmap& target) const {
    return Decode(bytes_.data(), bytes_.size(), target);
}

void TJPEGImage::Assign(const TBitmap& source) { bytes_ = Encode(source, CompressionQuality); }

void TJPEGImage::SaveToFile(const std::string& path) const {
    WriteFileAtomically(path, bytes_.data(), bytes_.size());
}

std::string DamagedPictureReason(const JpegDecodeReport& report) {
    if (report.complete) return {};
    return "the picture data is damaged or cut off; it is shown only in part";
}

TBitmap LoadJpegFile(const std::string& path, JpegDecodeReport* report) {
    TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    TBitmap bitmap;
    const JpegDecodeReport found = jpeg.DecodeTo(bitmap);
    if (report) *report = found;
    return bitmap;
}

std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality) {
    return Encode(bitmap, quality);
}

void EncodeJpeg(const TBitmap& bitmap, int quality, EncodedBytes& bytes) {
    EncodeIntoStore(bitmap, quality, bytes);
}

void SaveJpegFile(const TBitmap& bitmap, const std::string& path, int quality) {
    TJPEGImage jpeg;
    jpeg.CompressionQuality = quality;
    jpeg.Assign(bitmap);
    jpeg.SaveToFile(path);
}
