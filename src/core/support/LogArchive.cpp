#include "core/support/LogArchive.h"

#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace orvane::support {

namespace fs = std::filesystem;

LogArchive::Result LogArchive::pack(const std::string& folder, const std::string& archivePath,
                                    const Texts& texts, std::uint64_t maxBytes) {
    Result result;
    std::error_code ec;
    std::vector<std::pair<std::string, std::uint64_t>> files;  // relative name, size
    if (!folder.empty() && fs::is_directory(fs::symlink_status(folder, ec))) {
        for (fs::recursive_directory_iterator
                 it(folder, fs::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end; it.increment(ec)) {
            const fs::file_status status = it->symlink_status(ec);
            if (ec || !fs::is_regular_file(status)) continue;
            const std::string relative = fs::relative(it->path(), folder, ec).string();
            if (ec || relative.empty()) continue;
            const std::uint64_t size = it->file_size(ec);
            if (!ec) files.emplace_back(relative, size);
        }
    }
    std::sort(files.begin(), files.end());

    const std::string temporary = archivePath + ".part";
    int zipError = 0;
    zip_t* archive = zip_open(temporary.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &zipError);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, zipError);
        result.error =
            std::string("The archive could not be created: ") + zip_error_strerror(&error);
        zip_error_fini(&error);
        return result;
    }
    auto abandon = [&](const std::string& why) {
        result.error = why;
        zip_discard(archive);
        ::unlink(temporary.c_str());
        return result;
    };

    std::uint64_t budget = maxBytes;
    for (const auto& [relative, size] : files) {
        const std::string full = (fs::path(folder) / relative).string();
        // The archive being written may itself lie in the log folder.
        if (full == temporary || full == archivePath) continue;
        if (size > budget) {
            result.leftOut.push_back(relative);
            continue;
        }
        zip_source_t* source = zip_source_file(archive, full.c_str(), 0, 0);
        if (!source) continue;
        if (zip_file_add(archive, ("logs/" + relative).c_str(), source,
                         ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            return abandon(std::string("A log file could not be added: ") + zip_strerror(archive));
        }
        budget -= size;
        ++result.files;
    }
    for (const auto& [name, content] : texts) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        if (!source ||
            zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            if (source) zip_source_free(source);
            return abandon(std::string("The message could not be added: ") + zip_strerror(archive));
        }
    }
    // libzip writes no file at all for an empty archive; an empty folder entry still makes one.
    if (result.files == 0 && texts.empty()) zip_dir_add(archive, "logs", ZIP_FL_ENC_UTF_8);
    if (zip_close(archive) != 0) {
        const std::string why =
            std::string("The archive could not be written: ") + zip_strerror(archive);
        zip_discard(archive);
        ::unlink(temporary.c_str());
        result.error = why;
        return result;
    }
    if (std::rename(temporary.c_str(), archivePath.c_str()) != 0) {
        ::unlink(temporary.c_str());
        result.error = "The archive could not be saved at " + archivePath;
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace orvane::support
