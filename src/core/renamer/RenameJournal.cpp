#include "core/renamer/RenameJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::renamer {

std::string RenameJournal::defaultPath() {
    return kit::joinPath(kit::logDirectory(), "rename-journal");
}

std::string RenameJournal::encodePath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (c <= 0x20 || c == '%' || c == 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::optional<std::string> RenameJournal::decodePath(const std::string& text) {
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int hi = value(text[i + 1]), lo = value(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

bool RenameJournal::append(const std::string& line) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        ORVANE_LOG("rename journal cannot be opened: " + path_);
        return false;
    }
    const std::string whole = line + "\n";
    std::size_t done = 0;
    while (done < whole.size()) {
        const ssize_t n = ::write(fd, whole.data() + done, whole.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

std::string RenameJournal::beginRun() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const double seconds = std::chrono::duration<double>(now).count();
    std::random_device rd;
    const std::string id = std::to_string(static_cast<long long>(seconds * 1000)) + "-" +
                           std::to_string(rd() % 100000);
    std::ostringstream line;
    line.precision(15);
    line << "run " << id << " " << seconds;
    return append(line.str()) ? id : std::string();
}

bool RenameJournal::record(const std::string& runId, const RenameJournalEntry& e) {
    std::ostringstream line;
    line << "mv " << runId << " " << encodePath(e.oldPath) << " " << encodePath(e.newPath) << " "
         << e.identity.device << " " << e.identity.inode << " " << e.identity.size << " "
         << e.identity.mtimeNs << " " << e.identity.ctimeNs;
    return append(line.str());
}

bool RenameJournal::markUndone(const std::string& runId) { return append("undone " + runId); }

std::optional<RenameRun> RenameJournal::lastRun() const {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<RenameRun> runs;
    std::map<std::string, std::size_t> index;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, id;
        if (!(fields >> kind >> id)) continue;  // a torn or foreign line is passed over
        if (kind == "run") {
            RenameRun run;
            run.id = id;
            fields >> run.time;
            index[id] = runs.size();
            runs.push_back(std::move(run));
        } else if (kind == "mv") {
            auto it = index.find(id);
            std::string oldText, newText;
            RenameJournalEntry e;
            if (it == index.end() ||
                !(fields >> oldText >> newText >> e.identity.device >> e.identity.inode >>
                  e.identity.size >> e.identity.mtimeNs >> e.identity.ctimeNs))
                continue;
            auto oldPath = decodePath(oldText), newPath = decodePath(newText);
            if (!oldPath || !newPath) continue;
            e.oldPath = *oldPath;
            e.newPath = *newPath;
            e.identity.regular = true;
            runs[it->second].entries.push_back(std::move(e));
        } else if (kind == "undone") {
            if (auto it = index.find(id); it != index.end()) runs[it->second].entries.clear();
        }
    }
    for (auto it = runs.rbegin(); it != runs.rend(); ++it)
        if (!it->entries.empty()) return *it;
    return std::nullopt;
}

}  // namespace orvane::renamer
