#include "core/apps/FlatpakDeploy.h"

#include <glib.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "kit/Paths.h"

namespace orvane::apps {

namespace {

constexpr std::size_t kMaxMetadataBytes = 4 << 20;

std::optional<std::string> readSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(kMaxMetadataBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) > kMaxMetadataBytes) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

struct MetainfoState {
    int depth = 0;
    int releasesDepth = -1;
    std::string version;
};

void startElement(GMarkupParseContext*, const gchar* element, const gchar** names,
                  const gchar** values, gpointer data, GError** error) {
    auto* state = static_cast<MetainfoState*>(data);
    ++state->depth;
    if (state->depth > 64) {
        g_set_error_literal(error, G_MARKUP_ERROR, G_MARKUP_ERROR_INVALID_CONTENT, "too deep");
        return;
    }
    if (std::strcmp(element, "releases") == 0 && state->releasesDepth < 0)
        state->releasesDepth = state->depth;
    if (std::strcmp(element, "release") == 0 && state->releasesDepth >= 0 &&
        state->depth == state->releasesDepth + 1 && state->version.empty()) {
        for (int i = 0; names[i]; ++i)
            if (std::strcmp(names[i], "version") == 0) state->version = values[i];
    }
}

void endElement(GMarkupParseContext*, const gchar*, gpointer data, GError**) {
    auto* state = static_cast<MetainfoState*>(data);
    if (state->depth == state->releasesDepth) state->releasesDepth = -2;  // only the first list
    --state->depth;
}

// "command=" of the [Application] group of a flatpak metadata key file.
std::string metadataCommand(const std::string& text) {
    bool inApplication = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inApplication = line == "[Application]";
            continue;
        }
        if (inApplication && line.starts_with("command=")) return std::string(line.substr(8));
    }
    return {};
}

}  // namespace

bool FlatpakDeploy::parseDeployData(std::string_view bytes,
                                    std::optional<std::uint64_t>& installedSize,
                                    std::string& version) {
    if (bytes.empty() || bytes.size() > kMaxMetadataBytes) return false;
    // GVariant reads serialised data of any content safely; a mismatch yields default values,
    // so the type check below is what tells deploy data from anything else.
    GBytes* data = g_bytes_new(bytes.data(), bytes.size());
    GVariant* variant =
        g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE("(ssasta{sv})"), data, FALSE));
    g_bytes_unref(data);
    bool ok = false;
    if (variant && g_variant_is_normal_form(variant)) {
        GVariant* size = g_variant_get_child_value(variant, 3);
        installedSize = g_variant_get_uint64(size);
        g_variant_unref(size);
        GVariant* metadata = g_variant_get_child_value(variant, 4);
        const gchar* text = nullptr;
        if (g_variant_lookup(metadata, "appdata-version", "&s", &text) && text) version = text;
        g_variant_unref(metadata);
        ok = true;
    }
    if (variant) g_variant_unref(variant);
    return ok;
}

std::string FlatpakDeploy::metainfoVersion(std::string_view xml) {
    if (xml.size() > kMaxMetadataBytes) return {};
    MetainfoState state;
    GMarkupParser parser{};
    parser.start_element = startElement;
    parser.end_element = endElement;
    GMarkupParseContext* context =
        g_markup_parse_context_new(&parser, G_MARKUP_IGNORE_QUALIFIED, &state, nullptr);
    const bool ok = g_markup_parse_context_parse(context, xml.data(),
                                                 static_cast<gssize>(xml.size()), nullptr) &&
                    g_markup_parse_context_end_parse(context, nullptr);
    g_markup_parse_context_free(context);
    if (!ok) return {};
    return g_utf8_validate(state.version.data(), static_cast<gssize>(state.version.size()), nullptr)
               ? state.version
               : std::string();
}

FlatpakDeploy FlatpakDeploy::read(const std::string& appFolder, const std::string& appId) {
    FlatpakDeploy deploy;
    deploy.activeFolder = appFolder + "/current/active";
    if (auto data = readSmallFile(deploy.activeFolder + "/deploy"))
        parseDeployData(*data, deploy.installedSize, deploy.version);
    if (auto metadata = readSmallFile(deploy.activeFolder + "/metadata"))
        deploy.command = metadataCommand(*metadata);
    if (deploy.version.empty()) {
        for (const std::string& rel : {"/files/share/metainfo/" + appId + ".metainfo.xml",
                                       "/files/share/metainfo/" + appId + ".appdata.xml",
                                       "/files/share/appdata/" + appId + ".appdata.xml"}) {
            if (auto xml = readSmallFile(deploy.activeFolder + rel)) {
                deploy.version = metainfoVersion(*xml);
                if (!deploy.version.empty()) break;
            }
        }
    }
    return deploy;
}

}  // namespace orvane::apps
