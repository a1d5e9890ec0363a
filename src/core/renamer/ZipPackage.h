#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct zip;
struct zip_file;

namespace orvane::renamer {

// One member of an open package, read as a stream. Reading stops with an error once more than
// the package's member limit has come out, whatever the member's header claims, so a crafted
// archive cannot make the program inflate gigabytes.
class ZipMember {
public:
    ZipMember(zip_file* file, std::uint64_t limit) : file_(file), limit_(limit) {}
    ~ZipMember();
    ZipMember(const ZipMember&) = delete;
    ZipMember& operator=(const ZipMember&) = delete;

    // Bytes read (0 at the end), or -1 on a damaged member or past the limit.
    int read(char* buffer, int length);
    bool overLimit() const { return overLimit_; }
    std::uint64_t limit() const { return limit_; }

private:
    zip_file* file_;
    std::uint64_t limit_;
    std::uint64_t produced_ = 0;
    bool overLimit_ = false;
};

// A ZIP package (DOCX, XLSX) held in memory, read only.
class ZipPackage {
public:
    // Unpacked size above which a member is refused as a probable zip bomb.
    static constexpr std::uint64_t kDefaultMemberLimit = 256ull * 1024 * 1024;

    explicit ZipPackage(std::uint64_t memberLimit = kDefaultMemberLimit)
        : memberLimit_(memberLimit) {}
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // `bytes` must outlive the package. On failure `error` says why.
    bool open(std::string_view bytes, std::string& error);
    bool has(const std::string& name) const;
    // Nothing, with `error` set, when the member is missing, damaged or declared larger than the
    // limit.
    std::unique_ptr<ZipMember> openMember(const std::string& name, std::string& error) const;
    // The whole member, for the small ones (relationships, properties): at most `maxBytes`.
    bool readMember(const std::string& name, std::string& out, std::string& error,
                    std::uint64_t maxBytes = 8ull * 1024 * 1024) const;

    std::uint64_t memberLimit() const { return memberLimit_; }
    static std::string tooLargeMessage(std::uint64_t limit);

private:
    zip* archive_ = nullptr;
    std::uint64_t memberLimit_;
};

}  // namespace orvane::renamer
