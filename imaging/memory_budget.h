#pragma once
#include <cstdint>
#include <string>

#include "image_error.h"

// How much memory one picture (a decoded file, or a result built from one) may take before the
// user is asked. Small files can claim gigabytes in their headers; a picture above the budget is
// refused by batch work and asked about by the windows, before its memory is touched.
//
//   try {
//       picture = LoadJpegFile(path);
//   } catch (const MemoryBudgetError& e) {
//       if (AskYesNo(MemoryQuestion(e.Needed())) != TAnswer::Yes) return;
//       PictureMemoryAllowance allow(e.Needed());   // this thread may now take that much
//       picture = LoadJpegFile(path);
//   }

// The larger of a quarter of the machine's physical memory and 1.5 GB, unless a budget was set.
uint64_t PictureMemoryBudget();
// Replaces the budget for the whole process (tests use a small one so they never allocate
// gigabytes); 0 restores the machine's own.
void SetPictureMemoryBudget(uint64_t bytes);

// Sets the budget while it lives, then restores the machine's own.
class ScopedPictureMemoryBudget {
public:
    explicit ScopedPictureMemoryBudget(uint64_t bytes) { SetPictureMemoryBudget(bytes); }
    ~ScopedPictureMemoryBudget() { SetPictureMemoryBudget(0); }
    ScopedPictureMemoryBudget(const ScopedPictureMemoryBudget&) = delete;
    ScopedPictureMemoryBudget& operator=(const ScopedPictureMemoryBudget&) = delete;
};

// A picture that needs more memory than the budget allows.
class MemoryBudgetError : public ImageError {
public:
    MemoryBudgetError(uint64_t needed, uint64_t budget);
    uint64_t Needed() const { return needed_; }

private:
    uint64_t needed_;
};

// Throws MemoryBudgetError when bytes exceeds both the budget and the allowance of the calling
// thread. Bitmaps and the decoder call it before they allocate.
void CheckPictureMemory(uint64_t bytes);

// While it lives, the calling thread may take pictures of up to bytes (the user agreed to it).
// Other threads, such as batch workers, keep the plain budget. Scopes nest.
class PictureMemoryAllowance {
public:
    explicit PictureMemoryAllowance(uint64_t bytes);
    ~PictureMemoryAllowance();
    PictureMemoryAllowance(const PictureMemoryAllowance&) = delete;
    PictureMemoryAllowance& operator=(const PictureMemoryAllowance&) = delete;

private:
    uint64_t previous_;
};

// "2.6 GB" (GB of 1024^3 bytes, one decimal), "350 MB" below one GB.
std::string MemoryAmountText(uint64_t bytes);
// The windows' question: "This picture needs 2.6 GB of memory. Open it anyway?"; what is the
// subject and verb for something other than a picture ("This points file needs").
std::string MemoryQuestion(uint64_t bytes, const char* what = "This picture needs");
