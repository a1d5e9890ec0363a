#pragma once

// The similar-image engine's C interface. The photo driver loads it as a shared library; other
// programs may call it the same way. Every string is NUL-terminated UTF-8 or, for paths, the
// file system's own bytes.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SIMILAR_IMAGE_EXPORT __attribute__((visibility("default")))

// Result codes of FindDuplicates and InitImageDuplicate; kErrorCodeMsg holds their texts.
enum ImageEngineResult {
    kImageEngineOk = 0,
    kImageEngineParamInvalid = 1,
    kImageEnginePathNotExist = 2,
    kImageEnginePathNotDirectory = 3,
    kImageEngineCreateDirectoryFailed = 4,
    kImageEngineInitLogFailed = 5,
    kImageEngineInitProgressFailed = 6,
    kImageEngineInitThreadPoolFailed = 7,
    kImageEngineComputeHashFailed = 8,
    kImageEngineStopped = 9,
    kImageEngineCrashed = 10,
    kImageEngineReadImageFailed = 11,
    kImageEngineSaveImageFailed = 12,
};
#define IMAGE_ENGINE_RESULT_COUNT 13

// The configuration record, 48 bytes, little-endian, packed exactly as laid out here.
typedef struct __attribute__((packed)) ImageDuplicateConfig {
    uint8_t flags;  // always 0
    uint8_t reserved1[3];
    double threshold;              // similarity, 20 (loose) to 100 (identical pictures only)
    int32_t maxFileSize;           // bytes; 0 = no maximum
    int32_t minFileSize;           // bytes; 0 = no minimum
    const char* const* whiteList;  // folders never looked into
    uint32_t whiteListCount;
    const char* const* extensions;  // ".jpg", ... compared without regard to case
    uint32_t extensionCount;
    uint8_t hiddenFile;  // 1: hidden files and folders are scanned too
    uint8_t reserved2[3];
} ImageDuplicateConfig;

// A block of UTF-8 JSON text; not NUL-terminated, valid only during the callback.
typedef struct JsonData {
    const char* data;
    int32_t length;
} JsonData;

// 0 progress, 1 finished (sent once, last), 2 stopped (sent once, last, after a stop request).
typedef int32_t ProgressType;
enum { kProgressRunning = 0, kProgressFinished = 1, kProgressStopped = 2 };

typedef void (*FoundDupCallback)(JsonData data);
typedef void (*ProgressCallback)(ProgressType type, JsonData data);

// Opens the engine's log file (created or appended to). The second argument is reserved and
// must be empty or NULL. Returns 0, or 5 when the log cannot be opened.
SIMILAR_IMAGE_EXPORT int InitImageDuplicate(const char* logFilePath, const char* reserved);

// Scans the folders and reports groups of similar images through `found` and progress through
// `progress`, from the engine's own threads, and returns when done, failed or stopped. Entries
// of `paths` that equal a white-list folder are not roots. One scan runs at a time; a second
// concurrent call returns 1.
SIMILAR_IMAGE_EXPORT int FindDuplicates(const char* const* paths, int32_t pathCount,
                                        const ImageDuplicateConfig* config, FoundDupCallback found,
                                        ProgressCallback progress);

// Asks the running scan to stop; it ends at its next image and FindDuplicates returns 9. The
// argument is the reason code the driver passes (10); it is written to the log. A request when
// nothing runs is ignored.
SIMILAR_IMAGE_EXPORT void StopFindDuplicates(int32_t reason);

// Text of a result code; "Unknown" outside the table.
SIMILAR_IMAGE_EXPORT const char* ImageEngineResultText(int code);

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(ImageDuplicateConfig) == 48);
static_assert(offsetof(ImageDuplicateConfig, threshold) == 4);
static_assert(offsetof(ImageDuplicateConfig, maxFileSize) == 12);
static_assert(offsetof(ImageDuplicateConfig, minFileSize) == 16);
static_assert(offsetof(ImageDuplicateConfig, whiteList) == 20);
static_assert(offsetof(ImageDuplicateConfig, whiteListCount) == 28);
static_assert(offsetof(ImageDuplicateConfig, extensions) == 32);
static_assert(offsetof(ImageDuplicateConfig, extensionCount) == 40);
static_assert(offsetof(ImageDuplicateConfig, hiddenFile) == 44);

#include <array>
#include <string_view>

// Code → text, in code order.
inline constexpr std::array<std::string_view, IMAGE_ENGINE_RESULT_COUNT> kErrorCodeMsg = {
    "Ok",
    "Param invaild",
    "Path not exist",
    "Path not a directory",
    "Create directory failed",
    "Init log failed",
    "Init progress control failed",
    "Init thread pool failed",
    "Compute image hash value failed",
    "Stoped",
    "Crashed",
    "Read image failed",
    "Save image failed",
};

// The image extensions the photo scan hands over, in this order.
inline constexpr std::array<const char*, 18> kImageExtensions = {
    ".jpg", ".jpeg", ".png", ".bmp", ".dib", ".jp2", ".jpe", ".pbm",  ".pgm",
    ".pic", ".pnm",  ".ppm", ".exr", ".hdr", ".ras", ".tif", ".tiff", ".webp",
};
#endif
