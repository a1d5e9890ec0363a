#pragma once

namespace orvane::apps {

// Whether an application keeps its data in a sandbox container. `not_` is spelled with a
// trailing underscore because `not` is a C++ operator.
enum class SandboxType { none, yes, not_, multi };

}  // namespace orvane::apps
