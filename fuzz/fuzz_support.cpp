#include "fuzz_check.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <unistd.h>

void FuzzFailure(const char* file, int line, const char* condition) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

namespace {

struct QuietError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void JumpOut(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<QuietError*>(cinfo->err)->jump, 1); }
void Silent(j_common_ptr, int) {}

}  // namespace

bool ReadJpegSize(const uint8_t* data, std::size_t size, uint32_t& width, uint32_t& height) {
    jpeg_decompress_struct cinfo;
    QuietError err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JumpOut;
    err.pub.emit_message = Silent;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    width = cinfo.image_width;
    height = cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    return true;
}

std::string MakeFuzzFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumivex-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    return pattern;
}
