#include "core/renamer/ZipPackage.h"

#include <zip.h>

#include "kit/SizeFormat.h"

namespace orvane::renamer {

ZipMember::~ZipMember() {
    if (file_) zip_fclose(file_);
}

int ZipMember::read(char* buffer, int length) {
    if (length <= 0) return 0;
    if (produced_ > limit_) {
        overLimit_ = true;
        return -1;
    }
    const zip_int64_t n = zip_fread(file_, buffer, static_cast<zip_uint64_t>(length));
    if (n < 0) return -1;
    produced_ += static_cast<std::uint64_t>(n);
    if (produced_ > limit_) {
        overLimit_ = true;
        return -1;
    }
    return static_cast<int>(n);
}

ZipPackage::~ZipPackage() {
    if (archive_) zip_discard(archive_);
}

std::string ZipPackage::tooLargeMessage(std::uint64_t limit) {
    return "A part of the document unpacks to more than " + kit::transformedFileSize(limit) +
           "; it is refused as a possible zip bomb.";
}

bool ZipPackage::open(std::string_view bytes, std::string& error) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zerr);
    if (!src) {
        error = zip_error_strerror(&zerr);
        zip_error_fini(&zerr);
        return false;
    }
    archive_ = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &zerr);
    if (!archive_) {
        error = std::string("The file is not a valid ZIP package: ") + zip_error_strerror(&zerr);
        zip_source_free(src);
        zip_error_fini(&zerr);
        return false;
    }
    zip_error_fini(&zerr);
    return true;
}

bool ZipPackage::has(const std::string& name) const {
    return archive_ && zip_name_locate(archive_, name.c_str(), 0) >= 0;
}

std::unique_ptr<ZipMember> ZipPackage::openMember(const std::string& name,
                                                  std::string& error) const {
    if (!archive_) {
        error = "The package is not open.";
        return nullptr;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(archive_, name.c_str(), 0, &st) != 0) {
        error = "The package has no part \"" + name + "\".";
        return nullptr;
    }
    if ((st.valid & ZIP_STAT_SIZE) && st.size > memberLimit_) {
        error = tooLargeMessage(memberLimit_);
        return nullptr;
    }
    zip_file_t* f = zip_fopen(archive_, name.c_str(), 0);
    if (!f) {
        error = std::string("The part \"") + name + "\" cannot be read: " + zip_strerror(archive_);
        return nullptr;
    }
    return std::make_unique<ZipMember>(f, memberLimit_);
}

bool ZipPackage::readMember(const std::string& name, std::string& out, std::string& error,
                            std::uint64_t maxBytes) const {
    auto member = openMember(name, error);
    if (!member) return false;
    out.clear();
    char buf[16384];
    for (;;) {
        const int n = member->read(buf, sizeof buf);
        if (n < 0) {
            error = member->overLimit() ? tooLargeMessage(memberLimit_)
                                        : "The part \"" + name + "\" is damaged.";
            return false;
        }
        if (n == 0) break;
        out.append(buf, static_cast<std::size_t>(n));
        if (out.size() > maxBytes) {
            error = tooLargeMessage(maxBytes);
            return false;
        }
    }
    return true;
}

}  // namespace orvane::renamer
