#include "FakeTools.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orvane::apps::testing {

namespace {

void write(const std::string& path, const std::string& text, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    ::chmod(path.c_str(), mode);
}

std::string hex(const std::string& s) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

}  // namespace

FakeTools::FakeTools(std::string folder) : folder_(std::move(folder)) {
    ::mkdir(folder_.c_str(), 0755);
    ::mkdir((folder_ + "/answers").c_str(), 0755);
    if (const char* path = std::getenv("PATH")) savedPath_ = path;
    ::setenv("PATH", folder_.c_str(), 1);
}

FakeTools::~FakeTools() { ::setenv("PATH", savedPath_.c_str(), 1); }

std::string FakeTools::key(const std::string& tool, const std::string& arguments) const {
    // Answers are looked up by the hex of the arguments, so any bytes are fine in them.
    return folder_ + "/answers/" + tool + "." + hex(arguments);
}

void FakeTools::install(const std::string& tool) {
    const std::string script =
        "#!/bin/sh\n"
        "PATH=/usr/bin:/bin\n"
        "dir='" +
        folder_ +
        "'\n"
        "name='" +
        tool +
        "'\n"
        "printf '%s' \"$name\" >> \"$dir/calls\"\n"
        "for a in \"$@\"; do printf ' %s' \"$a\" >> \"$dir/calls\"; done\n"
        "echo >> \"$dir/calls\"\n"
        "all=\"$*\"\n"
        "hexof() { printf '%s' \"$1\" | od -An -v -tx1 | tr -d ' \\n'; }\n"
        "k=\"$dir/answers/$name.$(hexof \"$all\")\"\n"
        "[ -e \"$k.status\" ] || k=\"$dir/answers/$name.$(hexof \"$1\")\"\n"
        "[ -e \"$k.sh\" ] && . \"$k.sh\"\n"
        "[ -e \"$k.out\" ] && cat \"$k.out\"\n"
        "[ -e \"$k.err\" ] && cat \"$k.err\" >&2\n"
        "[ -e \"$k.status\" ] && exit \"$(cat \"$k.status\")\"\n"
        "exit 0\n";
    write(folder_ + "/" + tool, script, 0755);
}

void FakeTools::answer(const std::string& tool, const std::string& arguments,
                       const std::string& out, int status, const std::string& err) {
    const std::string k = key(tool, arguments);
    write(k + ".out", out);
    write(k + ".err", err);
    write(k + ".status", std::to_string(status));
}

void FakeTools::onCall(const std::string& tool, const std::string& arguments,
                       const std::string& script) {
    const std::string k = key(tool, arguments);
    write(k + ".sh", script);
    struct stat st {};
    if (::stat((k + ".status").c_str(), &st) != 0) write(k + ".status", "0");
}

std::vector<std::string> FakeTools::calls() const {
    std::ifstream in(folder_ + "/calls");
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

}  // namespace orvane::apps::testing
