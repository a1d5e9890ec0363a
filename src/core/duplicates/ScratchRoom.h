#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::duplicates {

// The block each thread reads file contents into to compare them. A thread runs one comparison
// at a time, in memory or side by side, so one block serves both and the memory a scan holds is
// the larger of their needs per thread, not their sum. It is allocated uninitialised and kept:
// pages are touched only as far as files are read into them, and groups of growing sizes never
// reallocate.
class ScratchRoom {
public:
    // At least `bytes`, and at least `floor` once it is allocated or grown; valid until the
    // thread's next call. What it held before is not kept.
    static std::uint8_t* atLeast(std::size_t bytes, std::size_t floor);
};

}  // namespace orvane::duplicates
