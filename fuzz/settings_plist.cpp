// Any bytes put in place of a settings file: the reader must refuse or accept them without a
// crash, a hang or unbounded memory; the structure check must never count less than the
// property-list library then builds; and whatever is accepted must be writable and readable
// again, or saving the settings would lock the user out of them.
#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/settings/PlistBounds.h"
#include "core/settings/PlistValue.h"

using namespace orvane::settings;

namespace {

// Depth and node count of the library's tree, walked without recursion. Keys count as nodes,
// as they are elements (XML) or objects (binary) in the file.
std::pair<int, std::uint64_t> measure(plist_t root) {
    int deepest = 0;
    std::uint64_t nodes = 0;
    std::vector<std::pair<plist_t, int>> todo{{root, 1}};
    while (!todo.empty()) {
        auto [node, depth] = todo.back();
        todo.pop_back();
        ++nodes;
        deepest = std::max(deepest, depth);
        if (plist_get_node_type(node) == PLIST_ARRAY) {
            for (std::uint32_t i = 0; i < plist_array_get_size(node); ++i)
                todo.emplace_back(plist_array_get_item(node, i), depth + 1);
        } else if (plist_get_node_type(node) == PLIST_DICT) {
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            for (;;) {
                char* key = nullptr;
                plist_t child = nullptr;
                plist_dict_next_item(node, it, &key, &child);
                std::free(key);
                if (!child) break;
                ++nodes;
                deepest = std::max(deepest, depth + 1);
                todo.emplace_back(child, depth + 1);
            }
            std::free(it);
        }
    }
    return {deepest, nodes};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const PlistShape shape = plistShape(bytes);
    if (!shape.problem) {
        plist_t raw = nullptr;
        plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &raw);
        if (raw) {
            const auto [depth, nodes] = measure(raw);
            plist_free(raw);
            if (depth > shape.depth || nodes > shape.nodes) std::abort();
        }
    }
    std::string why;
    auto dict = parsePlist(bytes, &why);
    if (!dict) return 0;
    std::string again;
    if (!parsePlist(toXmlPlist(*dict), &again)) std::abort();
    return 0;
}
