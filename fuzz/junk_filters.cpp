// Any text as a filter expression, and any text as a regular expression of a filter or a path
// pattern: parsing, caching, copying and evaluating must never crash, hang or link the
// document's own filters.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/junk/FilterParse.h"
#include "core/junk/RuleEnvironment.h"
#include "platform/Layout.h"

using namespace orvane::junk;

namespace {

FilterItemPtr filter(const std::string& id, const std::string& column, const std::string& relation,
                     const std::string& value, const std::string& action = "") {
    auto f = std::make_shared<FilterItem>();
    f->filterId = id;
    f->column = column;
    f->relation = relation;
    f->value = value;
    if (!action.empty()) f->action = action;
    return f;
}

std::shared_ptr<RuleEnvironment> environment() {
    static auto env = [] {
        auto e = std::make_shared<RuleEnvironment>(orvane::platform::Layout::macLayout(
            "/nonexistent-fuzz-root", "/nonexistent-fuzz-root/home"));
        e->now = [] { return 1.8e9; };
        return e;
    }();
    return env;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Layout of the input: expression, a NUL, then a regular expression.
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto nul = input.find('\0');
    const std::string expression = input.substr(0, nul);
    const std::string pattern =
        nul == std::string::npos ? std::string("a.c") : input.substr(nul + 1);

    FilterDictionary dict;
    for (const auto& f :
         {filter("1", "filename", "contains", "a"), filter("2", "filename", "match", pattern),
          filter("3", "filepath", "begin with", "~/"), filter("4", "filesize", "greater", "10"),
          filter("5", "time", "greater", "30"),
          filter("6", "filename", "begin with", ".", "exclude"),
          filter("7", "subfilecount", "", "3"), filter("(", "filename", "is", "x"),
          filter("+", "filename", "is", "y")})
        dict[*f->filterId] = f;
    FilterParse engine(dict, environment());

    std::vector<FilterItemPtr> first, second;
    engine.parseFilters(expression, first, 0);
    engine.parseFilters(expression, second, 1);
    engine.parseFilters(expression, second, 0);  // from the cache
    for (const char* path :
         {"/nonexistent-fuzz-root/home/abc", "/nonexistent-fuzz-root/home/.hidden", "relative", "",
          "/nonexistent-fuzz-root/\xff\xfe/x"}) {
        engine.evaluate(first, path);
        engine.evaluate(second, path);
    }
    for (const auto& [id, original] : dict)
        if (original->andFilterItem || original->orFilterItem)
            __builtin_trap();  // the dictionary stays unlinked

    if (pattern.size() < 256)
        engine.pathArrayWithRegex("/nonexistent-fuzz-root/(" + pattern + ")/rest");
    return 0;
}
