#pragma once

#include <cstddef>

namespace orvane::renamer {

// What the renaming driver tells its screen, always on the main thread.
class FileRenamerDelegate {
public:
    virtual ~FileRenamerDelegate() = default;
    // An entry changed state (request sent, name received, failure).
    virtual void fileRenamerDidUpdate(std::size_t index) { (void)index; }
    virtual void fileRenamerDidFinishAll() = 0;
};

}  // namespace orvane::renamer
