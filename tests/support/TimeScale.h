#pragma once

namespace orvane::testing {

// Sanitized builds run several times slower. A time limit that catches a pathological
// slowdown (quadratic work, a stall) is multiplied by this, so it still catches one there
// without failing on the instrumentation itself.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr int kTimeScale = 5;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr int kTimeScale = 5;
#else
inline constexpr int kTimeScale = 1;
#endif
#else
inline constexpr int kTimeScale = 1;
#endif

}  // namespace orvane::testing
