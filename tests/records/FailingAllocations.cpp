#include "tests/records/FailingAllocations.h"

#include <cstdlib>
#include <new>

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

bool FailingAllocations::Refused() const {
    return Budget().refused;
}

}  // namespace carecfg::test

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
