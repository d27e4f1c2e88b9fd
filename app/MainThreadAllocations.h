#pragma once
// The heap allocations made through operator new on the calling thread so far, counted by the
// program's own operator new (app/CountingNew.cpp), which only the zod program links: the tests
// bring a counting operator new of their own.

#include <cstdint>

std::uint64_t allocationsOnThisThread();
