#include "memory_budget.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "number_format.h"

namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;
constexpr uint64_t kGiB = uint64_t{1} << 30;
constexpr uint64_t kFloor = kGiB + kGiB / 2;

std::atomic<uint64_t> setBudget{0};
thread_local uint64_t allowance = 0;

uint64_t MachineBudget() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    const uint64_t physical =
        pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
    return std::max(physical / 4, kFloor);
}

}  // namespace

uint64_t PictureMemoryBudget() {
    const uint64_t set = setBudget.load(std::memory_order_relaxed);
    if (set) return set;
    static const uint64_t machine = MachineBudget();
    return machine;
}

void SetPictureMemoryBudget(uint64_t bytes) { setBudget.store(bytes, std::memory_order_relaxed); }

MemoryBudgetError::MemoryBudgetError(uint64_t needed, uint64_t budget)
    : ImageError("the picture needs " + MemoryAmountText(needed) +
                 " of memory, more than the " + MemoryAmountText(budget) +
                 " a picture may take on this computer"),
      needed_(needed) {}

void CheckPictureMemory(uint64_t bytes) {
    const uint64_t budget = PictureMemoryBudget();
    if (bytes > budget && bytes > allowance) throw MemoryBudgetError(bytes, budget);
}

PictureMemoryAllowance::PictureMemoryAllowance(uint64_t bytes) : previous_(allowance) {
    allowance = std::max(allowance, bytes);
}

PictureMemoryAllowance::~PictureMemoryAllowance() { allowance = previous_; }

std::string MemoryAmountText(uint64_t bytes) {
    if (bytes >= kGiB) return FormatText("%.1f GB", static_cast<double>(bytes) / kGiB);
    return FormatText("%llu MB", static_cast<unsigned long long>((bytes + kMiB - 1) / kMiB));
}

std::string MemoryQuestion(uint64_t bytes, const char* what) {
    return std::string(what) + " " + MemoryAmountText(bytes) + " of memory. Open it anyway?";
}
