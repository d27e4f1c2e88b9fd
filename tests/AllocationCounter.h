#pragma once
// Counts heap allocations made through operator new on the calling thread, so a test can show
// that a per-frame path allocates nothing:
//   AllocationCounter counter;  effect.render(frame, t);  EXPECT_EQ(counter.count(), 0);

#include <cstddef>

class AllocationCounter {
 public:
  AllocationCounter();
  ~AllocationCounter();
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;
  std::size_t count() const;

 private:
  std::size_t startCount;
};
