#pragma once
// The heap allocations made through operator new on the calling thread so far, counted by the
// program's own operator new (app/CountingNew.cpp), which the zod program and the tests link; the
// libraries leave operator new alone so any other program keeps the standard one.

#include <cstdint>

std::uint64_t allocationsOnThisThread();
