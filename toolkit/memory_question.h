#pragma once
#include <cstdint>

#include "dialogs.h"
#include "memory_budget.h"

// Runs work, which makes a picture into temporaries; when that picture needs more memory than
// the budget, asks the user first ("This picture needs 2.6 GB of memory. Open it anyway?") and
// on Yes runs work again with that much allowed. Nothing of the picture's size has been made
// before the answer. False when the user said No (work then changed nothing it was to make).
//
//   TBitmap picture;
//   if (!WithMemoryQuestion([&] { picture = LoadJpegFile(path); })) return;
template <class F>
bool WithMemoryQuestion(F&& work, const char* what = "This picture needs") {
    uint64_t allowed = 0;
    for (;;) {
        try {
            PictureMemoryAllowance allow(allowed);
            work();
            return true;
        } catch (const MemoryBudgetError& e) {
            if (AskYesNo(MemoryQuestion(e.Needed(), what)) != TAnswer::Yes) return false;
            allowed = e.Needed();  // each retry gets further, so the questions end
        }
    }
}
