#include "core/renamer/TopLevelExtractor.h"

#include <yaml-cpp/yaml.h>

#include <nlohmann/json.hpp>

#include "core/renamer/ParserSupport.h"

namespace orvane::renamer {

namespace {

constexpr std::size_t kValueCharacters = 200;
constexpr std::size_t kDescribedKeys = 20;

std::string joinKeys(const std::vector<std::string>& keys, std::size_t total) {
    std::string out;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i) out += ',';
        out += keys[i];
    }
    if (total > keys.size()) out += ",…";
    return out;
}

// Builds the pairs from parser events; only the first two levels are looked at.
class TopLevelSax : public nlohmann::json_sax<nlohmann::json> {
public:
    NamedPairs pairs;
    std::string error;
    bool stoppedEarly = false;

    bool null() override { return scalar("null"); }
    bool boolean(bool v) override { return scalar(v ? "true" : "false"); }
    bool number_integer(number_integer_t v) override { return scalar(std::to_string(v)); }
    bool number_unsigned(number_unsigned_t v) override { return scalar(std::to_string(v)); }
    bool number_float(number_float_t, const string_t& s) override { return scalar(s); }
    bool string(string_t& v) override { return scalar(prefixCharacters(v, kValueCharacters)); }
    bool binary(binary_t&) override { return scalar("binary"); }

    bool start_object(std::size_t) override { return open(true); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }

    bool key(string_t& k) override {
        if (depth_ == 1 && topIsObject_) {
            slotName_ = prefixCharacters(k, kValueCharacters);
        } else if (depth_ == 2 && slotIsObject_) {
            if (slotKeys_.size() < kDescribedKeys) slotKeys_.push_back(prefixCharacters(k, 60));
            ++slotKeyCount_;
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& ex) override {
        error = ex.what();
        return false;
    }

private:
    // A value starts at the level being summarised: names it.
    void beginSlot() {
        if (!topIsObject_) slotName_ = "[" + std::to_string(elementIndex_++) + "]";
    }

    bool finishSlot(std::string description) {
        pairs.emplace_back(slotName_, std::move(description));
        const std::size_t limit =
            topIsObject_ ? TopLevelExtractor::kMaxPairs : TopLevelExtractor::kArrayElements;
        if (pairs.size() >= limit) {
            stoppedEarly = true;
            return false;
        }
        return true;
    }

    bool scalar(std::string text) {
        if (depth_ == 0) {
            slotName_ = "value";
            return finishSlot(std::move(text));
        }
        if (depth_ == 1) {
            beginSlot();
            return finishSlot(std::move(text));
        }
        if (depth_ == 2 && !slotIsObject_) ++slotElements_;
        return true;
    }

    bool open(bool object) {
        if (depth_ == 0) {
            topIsObject_ = object;
        } else if (depth_ == 1) {
            beginSlot();
            slotIsObject_ = object;
            slotKeys_.clear();
            slotKeyCount_ = 0;
            slotElements_ = 0;
        } else if (depth_ == 2 && !slotIsObject_) {
            ++slotElements_;
        }
        ++depth_;
        return true;
    }

    bool close() {
        --depth_;
        if (depth_ == 1) {
            return finishSlot(slotIsObject_ ? "Object(" + joinKeys(slotKeys_, slotKeyCount_) + ")"
                                            : "Array(count:" + std::to_string(slotElements_) + ")");
        }
        return true;
    }

    std::size_t depth_ = 0;
    bool topIsObject_ = false;
    bool slotIsObject_ = false;
    std::string slotName_;
    std::size_t elementIndex_ = 0;
    std::vector<std::string> slotKeys_;
    std::size_t slotKeyCount_ = 0;
    std::size_t slotElements_ = 0;
};

std::string yamlText(const YAML::Node& node) {
    switch (node.Type()) {
        case YAML::NodeType::Map: {
            std::vector<std::string> keys;
            for (auto it = node.begin(); it != node.end() && keys.size() < kDescribedKeys; ++it)
                keys.push_back(it->first.IsScalar() ? prefixCharacters(it->first.Scalar(), 60)
                                                    : std::string("?"));
            return "Object(" + joinKeys(keys, node.size()) + ")";
        }
        case YAML::NodeType::Sequence: return "Array(count:" + std::to_string(node.size()) + ")";
        case YAML::NodeType::Scalar: return prefixCharacters(node.Scalar(), kValueCharacters);
        case YAML::NodeType::Null:
        case YAML::NodeType::Undefined: break;
    }
    return "null";
}

}  // namespace

bool TopLevelExtractor::fromJSON(std::string_view bytes, NamedPairs& pairs, std::string& error) {
    TopLevelSax sax;
    const bool complete = nlohmann::json::sax_parse(
        bytes.begin(), bytes.end(), &sax, nlohmann::json::input_format_t::json, true, false);
    if (!complete && !sax.stoppedEarly) {
        error = "The JSON could not be read: " +
                (sax.error.empty() ? std::string("unexpected end") : sax.error);
        return false;
    }
    pairs = std::move(sax.pairs);
    return true;
}

bool TopLevelExtractor::fromYAML(std::string_view bytes, NamedPairs& pairs, std::string& error) {
    try {
        const YAML::Node root = YAML::Load(std::string(bytes));
        if (root.IsMap()) {
            for (auto it = root.begin(); it != root.end() && pairs.size() < kMaxPairs; ++it) {
                const std::string key = it->first.IsScalar()
                                            ? prefixCharacters(it->first.Scalar(), kValueCharacters)
                                            : std::string("?");
                pairs.emplace_back(key, yamlText(it->second));
            }
        } else if (root.IsSequence()) {
            for (std::size_t i = 0; i < root.size() && i < kArrayElements; ++i)
                pairs.emplace_back("[" + std::to_string(i) + "]", yamlText(root[i]));
        } else if (root.IsScalar()) {
            pairs.emplace_back("value", yamlText(root));
        }
        return true;
    } catch (const std::exception& e) {
        error = std::string("The YAML could not be read: ") + e.what();
        pairs.clear();
        return false;
    }
}

}  // namespace orvane::renamer
