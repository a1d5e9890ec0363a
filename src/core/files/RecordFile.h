#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::files {

// The form of the files a scan keeps between runs (what it learned about files, by identity):
// a magic line naming the format and its version, the record count, fixed-size records, and an
// XXH3 checksum of everything before it; numbers are little-endian. Such a file is taken whole
// or not at all: a foreign, truncated, damaged or oversized one is refused with a reason, and
// the scan then simply works everything out again.
struct RecordFormat {
    std::string_view magic;  // ends in '\n'; changed whenever a field changes meaning
    std::size_t recordSize = 0;
    std::uint64_t maxRecords = 0;
    std::string_view what;  // "duplicate scan cache", for the reasons given

    // The largest file of this format.
    std::uint64_t maxBytes() const { return magic.size() + 16 + maxRecords * recordSize; }
};

// Little-endian fields of a record.
std::uint64_t recordGet64(const unsigned char* at);
std::uint32_t recordGet32(const unsigned char* at);
void recordPut64(std::string& out, std::uint64_t value);
void recordPut32(std::string& out, std::uint32_t value);

// The records of bytes that passed every check of their format.
class RecordView {
public:
    std::uint64_t count() const { return count_; }
    const unsigned char* record(std::uint64_t i) const { return first_ + i * recordSize_; }

private:
    friend std::optional<RecordView> parseRecords(std::string_view, const RecordFormat&,
                                                  std::string*);
    const unsigned char* first_ = nullptr;
    std::uint64_t count_ = 0;
    std::size_t recordSize_ = 0;
};

// Checks magic, count, length and checksum; the records (valid as long as `bytes`) or nothing
// and the reason in `error`.
std::optional<RecordView> parseRecords(std::string_view bytes, const RecordFormat& format,
                                       std::string* error = nullptr);

// Reads `path` whole into `out`, never through a symlink and never more than the format can
// hold. A missing file is not an error: `out` is then empty and the result true.
bool readRecordFile(const std::string& path, const RecordFormat& format, std::string& out,
                    std::string* error = nullptr);

// Writes the header, the records appended to buffer() one by one, and the checksum, handing
// the bytes to `sink` in pieces as they pile up, so a large file is never held twice.
class RecordWriter {
public:
    using Sink = std::function<bool(const char*, std::size_t)>;

    RecordWriter(const RecordFormat& format, std::uint64_t count, Sink sink);
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Append exactly recordSize bytes of one record, then call endRecord().
    std::string& buffer() { return buffer_; }
    void endRecord();
    // Writes the checksum; false when the sink failed or the records were not `count` records
    // of recordSize bytes each.
    bool finish();

private:
    bool flush();

    RecordFormat format_;
    std::uint64_t count_;
    std::uint64_t written_ = 0;
    std::uint64_t bytes_ = 0;  // of records, checked against the count at the end
    Sink sink_;
    void* state_;  // the running checksum
    std::string buffer_;
    bool ok_ = true;
};

// Writes `path` through a temporary file beside it, renamed over it once whole, so a crash or
// a second program never leaves half a file; missing folders are made (private to the user).
// `write` produces the bytes through the sink it is handed.
bool saveRecordFile(const std::string& path,
                    const std::function<bool(const RecordWriter::Sink&)>& write,
                    std::string* error = nullptr);

}  // namespace orvane::files
