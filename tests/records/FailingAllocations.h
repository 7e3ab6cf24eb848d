#pragma once

namespace carecfg::test {

// Makes operator new on the current thread throw std::bad_alloc once `allowed` further
// allocations have succeeded, for as long as the object lives; shows how code behaves when
// memory runs out at any given point.
class FailingAllocations {
public:
    explicit FailingAllocations(int allowed);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;

    // False where the program cannot replace its allocation functions (under AddressSanitizer).
    static bool Available();
    // True once an allocation has been refused.
    bool Refused() const;
};

}  // namespace carecfg::test
