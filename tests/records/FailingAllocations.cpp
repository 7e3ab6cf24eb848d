#include "tests/records/FailingAllocations.h"

#include <cstdlib>
#include <new>

// AddressSanitizer brings allocation functions of its own and reports memory that one family
// allocates and another frees; under it the program keeps them and nothing is refused.
#if defined(__SANITIZE_ADDRESS__)
#define CARECFG_KEEP_ALLOCATORS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CARECFG_KEEP_ALLOCATORS 1
#endif
#endif

namespace carecfg::test {

namespace {

// The allocations the current thread may still make (negative: no limit) and whether one was
// refused. Thread-local so that other threads of the test program are never affected.
struct AllocationBudget {
    int allowed = -1;
    bool refused = false;
};

AllocationBudget& Budget() {
    thread_local AllocationBudget budget;
    return budget;
}

}  // namespace

FailingAllocations::FailingAllocations(int allowed) {
    Budget() = AllocationBudget{allowed, false};
}

FailingAllocations::~FailingAllocations() {
    Budget().allowed = -1;
}

bool FailingAllocations::Available() {
#ifdef CARECFG_KEEP_ALLOCATORS
    return false;
#else
    return true;
#endif
}

bool FailingAllocations::Refused() const {
    return Budget().refused;
}

}  // namespace carecfg::test

#ifndef CARECFG_KEEP_ALLOCATORS
// The program's allocation functions, counting down the budget of the calling thread.
void* operator new(std::size_t size) {
    carecfg::test::AllocationBudget& budget = carecfg::test::Budget();
    if (budget.allowed == 0) {
        budget.refused = true;
        throw std::bad_alloc();
    }
    if (budget.allowed > 0) {
        --budget.allowed;
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

#endif
