#include "core/settings/PlistBounds.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace orvane::settings {

namespace {

std::string tooDeep(const PlistBounds& b) {
    return "nested deeper than " + std::to_string(b.maxDepth) + " levels";
}
std::string tooMany(const PlistBounds& b) {
    return "more than " + std::to_string(b.maxNodes) + " values once unfolded";
}

// ---- XML ----

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// A tokenizer for the XML a property list is written in. It is strict where a lenient parser
// could see structure it did not: a stray '<', a '<' or '>' inside a tag or attribute value, a
// document type with its own declarations, an end tag that does not close the open element are
// all refused, so what it counts is at least what any reader builds.
class XmlWalk {
public:
    XmlWalk(std::string_view bytes, const PlistBounds& bounds) : x_(bytes), bounds_(bounds) {}

    PlistShape run() {
        if (x_.find('\0') != std::string_view::npos || refersToNul()) {
            shape_.problem = "holds a NUL character";
            return shape_;
        }
        std::size_t pos = 0;
        while ((pos = x_.find('<', pos)) != std::string_view::npos) {
            const std::string_view rest = x_.substr(pos);
            std::optional<std::size_t> next;
            if (rest.starts_with("<!--")) next = skipPast(pos + 4, "-->");
            else if (rest.starts_with("<![CDATA[")) next = skipPast(pos + 9, "]]>");
            else if (rest.starts_with("<?")) next = skipPast(pos + 2, "?>");
            else if (rest.starts_with("<!")) next = declaration(pos + 2);
            else if (rest.starts_with("</")) next = endTag(pos + 2);
            else next = startTag(pos + 1);
            if (!next) {
                if (!shape_.problem) shape_.problem = "not well-formed XML";
                return shape_;
            }
            pos = *next;
        }
        if (!open_.empty()) shape_.problem = "truncated XML (an element is never closed)";
        else if (shape_.nodes == 0) shape_.problem = "not an XML document";
        return shape_;
    }

private:
    // "&#0;", "&#x000;": a NUL the reader would put inside a string.
    bool refersToNul() const {
        for (std::size_t at = x_.find("&#"); at != std::string_view::npos;
             at = x_.find("&#", at + 2)) {
            std::size_t p = at + 2;
            const bool hex = p < x_.size() && (x_[p] == 'x' || x_[p] == 'X');
            if (hex) ++p;
            bool nonZero = false, digits = false;
            for (; p < x_.size() && std::isxdigit(static_cast<unsigned char>(x_[p])); ++p) {
                digits = true;
                if (x_[p] != '0') nonZero = true;
            }
            if (digits && !nonZero) return true;
        }
        return false;
    }

    std::optional<std::size_t> skipPast(std::size_t from, std::string_view end) const {
        const std::size_t at = x_.find(end, from);
        if (at == std::string_view::npos) return std::nullopt;
        return at + end.size();
    }

    // <!DOCTYPE ...>: quoted strings may hold '>'; an internal subset is refused.
    std::optional<std::size_t> declaration(std::size_t pos) {
        for (; pos < x_.size(); ++pos) {
            const char c = x_[pos];
            if (c == '"' || c == '\'') {
                const std::size_t close = x_.find(c, pos + 1);
                if (close == std::string_view::npos) return std::nullopt;
                pos = close;
            } else if (c == '[') {
                shape_.problem = "declares its own document type";
                return std::nullopt;
            } else if (c == '<') {
                return std::nullopt;
            } else if (c == '>') {
                return pos + 1;
            }
        }
        return std::nullopt;
    }

    std::size_t name(std::size_t pos) const {
        if (pos >= x_.size() || !isNameStart(x_[pos])) return pos;
        while (pos < x_.size() && isNameChar(x_[pos])) ++pos;
        return pos;
    }

    std::optional<std::size_t> endTag(std::size_t pos) {
        const std::size_t end = name(pos);
        if (end == pos || open_.empty() || open_.back() != x_.substr(pos, end - pos))
            return std::nullopt;
        open_.pop_back();
        pos = end;
        while (pos < x_.size() && isSpace(x_[pos])) ++pos;
        if (pos >= x_.size() || x_[pos] != '>') return std::nullopt;
        return pos + 1;
    }

    std::optional<std::size_t> startTag(std::size_t pos) {
        const std::size_t end = name(pos);
        if (end == pos) return std::nullopt;
        const std::string_view tag = x_.substr(pos, end - pos);
        pos = end;
        for (;;) {
            const std::size_t before = pos;
            while (pos < x_.size() && isSpace(x_[pos])) ++pos;
            if (pos >= x_.size()) return std::nullopt;
            if (x_[pos] == '>' || x_.substr(pos).starts_with("/>")) {
                const bool empty = x_[pos] == '/';
                if (++shape_.nodes > bounds_.maxNodes) return refuse(tooMany(bounds_));
                const int depth = static_cast<int>(open_.size()) + 1;
                shape_.depth = std::max(shape_.depth, depth);
                // <plist> sits around the values' own nesting.
                if (depth > bounds_.maxDepth + 1) return refuse(tooDeep(bounds_));
                if (!empty) open_.push_back(tag);
                return pos + (empty ? 2 : 1);
            }
            // An attribute: name="value" or name='value', after at least one space.
            if (pos == before) return std::nullopt;
            const std::size_t attrEnd = name(pos);
            if (attrEnd == pos) return std::nullopt;
            pos = attrEnd;
            while (pos < x_.size() && isSpace(x_[pos])) ++pos;
            if (pos >= x_.size() || x_[pos] != '=') return std::nullopt;
            ++pos;
            while (pos < x_.size() && isSpace(x_[pos])) ++pos;
            if (pos >= x_.size() || (x_[pos] != '"' && x_[pos] != '\'')) return std::nullopt;
            const std::size_t close = x_.find(x_[pos], pos + 1);
            if (close == std::string_view::npos) return std::nullopt;
            // Legal in XML, but a reader that ignores quotes would end the tag at a '>'.
            if (x_.substr(pos + 1, close - pos - 1).find_first_of("<>") != std::string_view::npos)
                return refuse("has an attribute no property list holds");
            pos = close + 1;
        }
    }

    std::optional<std::size_t> refuse(std::string why) {
        shape_.problem = std::move(why);
        return std::nullopt;
    }

    std::string_view x_;
    PlistBounds bounds_;
    std::vector<std::string_view> open_;
    PlistShape shape_;
};

// ---- binary ----

class BinaryPlist {
public:
    BinaryPlist(std::string_view bytes, const PlistBounds& bounds) : b_(bytes), bounds_(bounds) {}

    std::optional<std::string> problem() {
        if (!b_.starts_with("bplist00")) return "an unknown binary format";
        if (b_.size() < 8 + 1 + 32) return "truncated";
        const std::size_t trailer = b_.size() - 32;
        offsetSize_ = byte(trailer + 6);
        refSize_ = byte(trailer + 7);
        const std::uint64_t objects = be(trailer + 8, 8);
        const std::uint64_t top = be(trailer + 16, 8);
        tableAt_ = be(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8)
            return "damaged (bad trailer)";
        if (objects == 0 || top >= objects || tableAt_ < 8 || tableAt_ > trailer ||
            (trailer - tableAt_) / offsetSize_ < objects)
            return "damaged (bad object table)";
        objects_ = objects;
        return walk(top);
    }

private:
    enum State : std::uint8_t { unseen, open, closed };
    struct Frame {
        std::uint64_t object;
        std::vector<std::uint64_t> children;
        std::size_t next = 0;
        std::uint64_t nodes = 1;
        int depth = 1;
    };

    std::uint8_t byte(std::uint64_t at) const { return static_cast<std::uint8_t>(b_[at]); }
    std::uint64_t be(std::uint64_t at, unsigned width) const {
        std::uint64_t v = 0;
        for (unsigned i = 0; i < width; ++i) v = (v << 8) | byte(at + i);
        return v;
    }

    // The object's position, or nothing when the table points outside the objects' area.
    std::optional<std::uint64_t> offsetOf(std::uint64_t object) const {
        const std::uint64_t at = be(tableAt_ + object * offsetSize_, offsetSize_);
        if (at < 8 || at >= tableAt_) return std::nullopt;
        return at;
    }

    // The references a container holds (a dictionary's keys, then its values); empty for a
    // scalar. Nothing when the object runs past the object area or is a string with a NUL
    // character, which the library's string accessors assert against.
    std::optional<std::vector<std::uint64_t>> childrenOf(std::uint64_t object) const {
        const auto at = offsetOf(object);
        if (!at) return std::nullopt;
        const std::uint8_t marker = byte(*at);
        const unsigned kind = marker >> 4;
        const bool container = kind == 0xA || kind == 0xC || kind == 0xD;
        const bool text = kind == 0x5 || kind == 0x6;
        if (!container && !text) return std::vector<std::uint64_t>{};
        std::uint64_t count = marker & 0xF;
        std::uint64_t pos = *at + 1;
        if (count == 0xF) {
            if (pos >= tableAt_) return std::nullopt;
            const std::uint8_t intMarker = byte(pos);
            if ((intMarker >> 4) != 0x1 || (intMarker & 0xF) > 3) return std::nullopt;
            const unsigned width = 1u << (intMarker & 0xF);
            if (pos + 1 + width > tableAt_) return std::nullopt;
            count = be(pos + 1, width);
            pos += 1 + width;
        }
        if (text) {
            const unsigned unit = kind == 0x6 ? 2 : 1;
            if (count > (tableAt_ - pos) / unit) return std::nullopt;
            for (std::uint64_t i = 0; i < count; ++i)
                if (be(pos + i * unit, unit) == 0) return std::nullopt;
            return std::vector<std::uint64_t>{};
        }
        const std::uint64_t refs = kind == 0xD ? 2 * count : count;
        if (count > tableAt_ || refs > (tableAt_ - pos) / refSize_) return std::nullopt;
        std::vector<std::uint64_t> out;
        out.reserve(static_cast<std::size_t>(refs));
        for (std::uint64_t i = 0; i < refs; ++i) {
            const std::uint64_t ref = be(pos + i * refSize_, refSize_);
            if (ref >= objects_) return std::nullopt;
            out.push_back(ref);
        }
        return out;
    }

    // Depth-first over the object graph with an explicit stack, so the check itself cannot run
    // out of stack. Each object is measured once; a shared one counts once per place it is used,
    // as the parser copies it there.
    std::optional<std::string> walk(std::uint64_t top) {
        std::vector<State> state(static_cast<std::size_t>(objects_), unseen);
        std::vector<std::uint64_t> nodes(static_cast<std::size_t>(objects_), 0);
        std::vector<int> depth(static_cast<std::size_t>(objects_), 0);
        std::vector<Frame> stack;
        auto push = [&](std::uint64_t object) -> std::optional<std::string> {
            auto children = childrenOf(object);
            if (!children)
                return std::string("damaged (an object lies outside the file or holds a NUL)");
            state[object] = open;
            stack.push_back(Frame{object, std::move(*children)});
            if (static_cast<int>(stack.size()) > bounds_.maxDepth) return tooDeep(bounds_);
            return std::nullopt;
        };
        if (auto p = push(top)) return p;
        while (!stack.empty()) {
            Frame& f = stack.back();
            if (f.next < f.children.size()) {
                const std::uint64_t child = f.children[f.next++];
                if (state[child] == open) return "damaged (an object contains itself)";
                if (state[child] == unseen) {
                    if (auto p = push(child)) return p;
                    continue;
                }
                f.nodes += nodes[child];
                f.depth = std::max(f.depth, depth[child] + 1);
                if (f.nodes > bounds_.maxNodes) return tooMany(bounds_);
                if (f.depth > bounds_.maxDepth) return tooDeep(bounds_);
                continue;
            }
            const std::uint64_t done = f.object;
            state[done] = closed;
            nodes[done] = f.nodes;
            depth[done] = f.depth;
            stack.pop_back();
            if (!stack.empty()) {
                // Hand the finished child to its parent, which advanced past it already.
                Frame& parent = stack.back();
                parent.nodes += nodes[done];
                parent.depth = std::max(parent.depth, depth[done] + 1);
                if (parent.nodes > bounds_.maxNodes) return tooMany(bounds_);
                if (parent.depth > bounds_.maxDepth) return tooDeep(bounds_);
            }
        }
        nodes_ = nodes[top];
        depth_ = depth[top];
        return std::nullopt;
    }

public:
    std::uint64_t nodes_ = 0;
    int depth_ = 0;

private:
    std::string_view b_;
    PlistBounds bounds_;
    unsigned offsetSize_ = 0, refSize_ = 0;
    std::uint64_t tableAt_ = 0, objects_ = 0;
};

}  // namespace

PlistShape plistShape(std::string_view bytes, const PlistBounds& bounds) {
    PlistShape shape;
    if (bytes.empty()) {
        shape.problem = "empty";
    } else if (bytes.starts_with("bplist")) {
        BinaryPlist binary(bytes, bounds);
        shape.problem = binary.problem();
        shape.nodes = binary.nodes_;
        shape.depth = binary.depth_;
    } else {
        shape = XmlWalk(bytes, bounds).run();
    }
    return shape;
}

std::optional<std::string> plistBoundsProblem(std::string_view bytes, const PlistBounds& bounds) {
    return plistShape(bytes, bounds).problem;
}

}  // namespace orvane::settings
