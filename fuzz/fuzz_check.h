#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// A broken promise found by a harness: prints where and what, then aborts, which libFuzzer
// reports as a finding (checks stay on in optimised builds, unlike assert).
[[noreturn]] void FuzzFailure(const char* file, int line, const char* condition);

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : FuzzFailure(__FILE__, __LINE__, #condition))

// Splits a fuzz input into typed pieces: numbers are taken from the front, the rest stays as
// bytes. Running out gives zeros, so every input is usable.
class FuzzReader {
public:
    FuzzReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // A value in [0, bound) (bound > 0).
    unsigned Below(unsigned bound) {
        unsigned value = Byte();
        if (bound > 256) value = value << 8 | Byte();
        return value % bound;
    }
    bool Flag() { return (Byte() & 1) != 0; }
    const uint8_t* Rest() const { return data_ + pos_; }
    std::size_t RestSize() const { return size_ - pos_; }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// The picture size in a JPEG stream's header, read by libjpeg itself without our decoder;
// false when libjpeg cannot read a header there.
bool ReadJpegSize(const uint8_t* data, std::size_t size, uint32_t& width, uint32_t& height);

// A fresh folder under $TMPDIR (or /tmp) for harnesses that need files; the caller removes it.
std::string MakeFuzzFolder();
