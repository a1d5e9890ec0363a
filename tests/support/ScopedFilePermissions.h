#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orvane::testing {

// Makes file permissions bind the calling thread, and the threads it starts meanwhile, even when
// the tests run as the superuser: the rights to read and search any folder leave the thread's
// effective set and come back at the end of the scope. Without them a folder of mode 0 refuses
// its owner, as it would refuse a user on their own machine.
class ScopedFilePermissions {
public:
    ScopedFilePermissions() {
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~ScopedFilePermissions() {
        if (active_) ::syscall(SYS_capset, &header_, saved_);
    }
    ScopedFilePermissions(const ScopedFilePermissions&) = delete;
    ScopedFilePermissions& operator=(const ScopedFilePermissions&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

}  // namespace orvane::testing
