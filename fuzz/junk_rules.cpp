// Any bytes put in place of the junk rule document: the parser must refuse or accept them
// without a crash, a hang or unbounded memory, and whatever tree it delivers must be usable by
// the filter engine (every expression of it parsed and evaluated).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/junk/FilterParse.h"
#include "core/junk/RuleEnvironment.h"
#include "core/junk/XMLParse.h"
#include "platform/Layout.h"

using namespace orvane::junk;

namespace {

struct Tree final : XMLParseDelegate {
    std::vector<CategoryItemPtr> categories;
    FilterDictionary filters;
    bool delivered = false;
    void parseComplete(std::vector<CategoryItemPtr> c, FilterDictionary f) override {
        if (delivered) __builtin_trap();  // at most once per parse
        delivered = true;
        categories = std::move(c);
        filters = std::move(f);
    }
};

std::shared_ptr<RuleEnvironment> environment() {
    // A root and home that do not exist: rules are evaluated without touching real files.
    static auto env = [] {
        auto layout = orvane::platform::Layout::macLayout("/nonexistent-fuzz-root",
                                                          "/nonexistent-fuzz-root/home");
        auto e = std::make_shared<RuleEnvironment>(layout);
        e->now = [] { return 1.8e9; };
        return e;
    }();
    return env;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    Tree tree;
    XMLParse parser({{"com.example.installed", "/nonexistent-fuzz-root/Applications/X.app"}},
                    *environment());
    parser.delegate = &tree;
    const bool ok = parser.parseData(document);
    if (!ok && tree.delivered) __builtin_trap();  // a failed parse never delivers
    if (!tree.delivered) return 0;

    FilterParse engine(tree.filters, environment());
    std::size_t expressions = 0;
    for (const auto& category : tree.categories) {
        for (const auto& sub : category->subItems) {
            for (const auto& action : sub->actionItems) {
                std::vector<FilterItemPtr> heads;
                if (action->atomItem && action->atomItem->resultFilters)
                    engine.parseFilters(*action->atomItem->resultFilters, heads, 0);
                for (const auto& path : action->pathItems) {
                    if (path->scanFilters) engine.parseFilters(*path->scanFilters, heads, 0);
                    if (++expressions > 64) break;
                }
                engine.evaluate(heads, "/nonexistent-fuzz-root/home/.cache/x.log");
                if (expressions > 64) return 0;
            }
        }
    }
    return 0;
}
