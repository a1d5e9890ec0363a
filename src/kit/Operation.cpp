#include "kit/Operation.h"

namespace orvane::kit {

void Operation::start() {
    executing_ = true;
    if (!isCancelled()) main();
    executing_ = false;
    finished_ = true;
    if (completion_) completion_();
}

}  // namespace orvane::kit
