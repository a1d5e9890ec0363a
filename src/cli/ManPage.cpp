#include "cli/ManPage.h"

#include <string_view>

namespace orvane::cli {

namespace {

// Text as roff reads it: backslashes escaped, a leading dot or quote kept literal, `code`
// spans in bold.
std::string roff(std::string_view text) {
    std::string out;
    bool bold = false;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        lineStart = false;
        if (c == '\\') {
            out += "\\e";
        } else if (c == '`') {
            out += bold ? "\\fR" : "\\fB";
            bold = !bold;
        } else if (c == '-') {
            out += "\\-";
        } else {
            out.push_back(c);
            lineStart = c == '\n';
        }
    }
    if (bold) out += "\\fR";
    return out;
}

// CLI11 names a value by its type, sometimes with its range ("UINT:UINT in [0 - 14]"): the
// first word is what a reader needs next to the option.
std::string valueName(const CLI::Option& option) {
    std::string type = option.get_type_name();
    if (const auto cut = type.find_first_of(": "); cut != std::string::npos) type.resize(cut);
    return type.empty() ? "VALUE" : type;
}

std::string synopsisOf(const CLI::App& command, const std::string& path) {
    std::string line = "\\fB" + roff(path) + "\\fR";
    const auto named = command.get_options([&command](const CLI::Option* o) {
        return o->nonpositional() && o != command.get_help_ptr() && !o->get_group().empty();
    });
    if (!named.empty()) line += " [\\fIOPTIONS\\fR]";
    for (const CLI::Option* o :
         command.get_options([](const CLI::Option* o) { return o->get_positional(); })) {
        std::string name = "\\fI" + roff(o->get_name()) + "\\fR";
        if (o->get_expected_max() > 1) name += "...";
        line += o->get_required() ? " " + name : " [" + name + "]";
    }
    if (!command.get_subcommands([](const CLI::App*) { return true; }).empty())
        line +=
            command.get_require_subcommand_min() > 0 ? " \\fICOMMAND\\fR" : " [\\fICOMMAND\\fR]";
    return line;
}

void describeOptions(std::string& out, const CLI::App& command) {
    for (const CLI::Option* o : command.get_options()) {
        // Hidden, named in the synopsis, or the help every command has.
        if (o->get_group().empty() || o->get_positional() || o == command.get_help_ptr()) continue;
        std::string shown;
        const std::string allNames = o->get_name(false, true);  // "-q,--quiet"
        std::string_view names = allNames;
        while (!names.empty()) {
            const std::size_t comma = names.find(',');
            if (!shown.empty()) shown += ", ";
            shown += "\\fB" + roff(names.substr(0, comma)) + "\\fR";
            names = comma == std::string_view::npos ? std::string_view{} : names.substr(comma + 1);
        }
        if (o->get_expected_min() > 0) shown += " \\fI" + valueName(*o) + "\\fR";
        out += ".TP\n" + shown + "\n" + roff(o->get_description()) + "\n";
    }
}

void describeCommand(std::string& out, const CLI::App& command, const std::string& path) {
    out += ".SS \"" + roff(path) + "\"\n";
    out += synopsisOf(command, path) + "\n.PP\n" + roff(command.get_description()) + "\n";
    for (const CLI::Option* o :
         command.get_options([](const CLI::Option* o) { return o->get_positional(); })) {
        out += ".TP\n\\fI" + roff(o->get_name()) + "\\fR\n" + roff(o->get_description()) + "\n";
    }
    describeOptions(out, command);
    for (const CLI::App* sub : command.get_subcommands([](const CLI::App*) { return true; }))
        describeCommand(out, *sub, path + " " + sub->get_name());
}

}  // namespace

std::string manPage(const CLI::App& app) {
    std::string out;
    out += ".TH ORVANE 1 \"\" \"Orvane " ORVANE_VERSION "\" \"User Commands\"\n";
    out += ".SH NAME\norvane \\- find duplicate and large files and get disk space back\n";
    out += ".SH SYNOPSIS\n";
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        out += synopsisOf(*sub, "orvane " + sub->get_name()) + "\n.br\n";
    out += "\\fBorvane\\fR \\fB\\-\\-version\\fR | \\fB\\-\\-help\\fR\n";
    out += ".SH DESCRIPTION\n" + roff(app.get_description()) + "\n.PP\n";
    out +=
        "\\fBorvane\\fR is the command line of the Orvane desktop program "
        "(\\fBorvane\\-gui\\fR): both use the same engine and the same saved settings. "
        "Every command reads the settings in force; flags change them for one run only.\n"
        ".PP\nRemoval always asks for an explicit mode. \\fBtrash\\fR moves files to the "
        "freedesktop Trash, from where the file manager restores them; \\fBdelete\\fR removes "
        "them for good; \\fBmove=\\fR\\fIFOLDER\\fR moves them into a folder. "
        "\\fB\\-\\-dry\\-run\\fR lists what would go and touches nothing. Right before a file "
        "goes, Orvane checks that it is still the file the scan found, and a duplicate goes "
        "only while a kept copy with the same content still exists.\n";
    out += ".SH COMMANDS\n";
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        describeCommand(out, *sub, "orvane " + sub->get_name());
    out +=
        ".SH EXIT STATUS\n"
        ".TP\n0\nDone.\n"
        ".TP\n1\nSome file could not be removed, or a removal was refused.\n"
        ".TP\n2\nBad arguments, unreadable folders or a refused setting.\n"
        ".TP\n130\nInterrupted; what was found so far is printed first.\n";
    out +=
        ".SH ENVIRONMENT\n"
        ".TP\n\\fBHOME\\fR\nThe home folder scanned by default and the base of the folders below.\n"
        ".TP\n\\fBXDG_CONFIG_HOME\\fR, \\fBXDG_STATE_HOME\\fR, \\fBXDG_DATA_HOME\\fR\n"
        "Where settings, logs and the Trash live (defaults \\fI~/.config\\fR, "
        "\\fI~/.local/state\\fR, \\fI~/.local/share\\fR).\n";
    out +=
        ".SH FILES\n"
        ".TP\n\\fI$XDG_CONFIG_HOME/com.orvane.app/PreferenceInfo.plist\\fR\n"
        "The scanner settings, shared with the desktop program.\n"
        ".TP\n\\fI$XDG_STATE_HOME/com.orvane.app/orvane.log\\fR\nThe log.\n"
        ".TP\n\\fI$XDG_CONFIG_HOME/autostart/com.orvane.app.desktop\\fR\n"
        "Present while the desktop program starts at login.\n";
    out +=
        ".SH EXAMPLES\n"
        ".nf\n"
        "orvane duplicates ~/Pictures ~/Downloads\n"
        "orvane duplicates \\-\\-json \\-\\-min\\-size 1MB ~/Music\n"
        "orvane duplicates ~/Downloads \\-\\-auto\\-select \\-\\-remove trash \\-\\-dry\\-run\n"
        "orvane large\\-files \\-\\-group 9 \\-\\-remove trash \\-\\-dry\\-run\n"
        "orvane settings set maxFileSize 500\n"
        ".fi\n";
    return out;
}

}  // namespace orvane::cli
