#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace orvane::testing {

// Sets one environment variable for the life of the object and puts the old value back after.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) saved_ = old;
        ::setenv(name_.c_str(), value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (saved_) ::setenv(name_.c_str(), saved_->c_str(), 1);
        else ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// PATH with `folder` searched first (or alone), so the stand-in tools in it answer.
inline ScopedEnv pathFirst(const std::string& folder, bool only = false) {
    const char* old = std::getenv("PATH");
    return ScopedEnv("PATH", only ? folder : folder + ":" + (old ? old : ""));
}

}  // namespace orvane::testing
