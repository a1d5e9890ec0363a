#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace orvane::files {

// The five kinds the result screens sort files into, by extension alone.
enum class FileType : std::uint8_t { video, audio, picture, document, other };

// The extension tables, lower case, in their stored order. A kind is decided by the first
// table (video, audio, picture, document) that holds the lower-cased extension.
struct VideoFormat {
    static constexpr std::array<std::string_view, 34> allCases = {
        "3g",  "3gp", "3gpp", "avi",  "divx",  "dv",  "f4v", "flv", "m2ts", "m4v", "mkv", "mod",
        "mov", "mp4", "mpe",  "mpeg", "mpeg4", "mpg", "mts", "nsv", "ogm",  "ogv", "qt",  "tod",
        "ts",  "vob", "wmv",  "rm",   "rmvb",  "ifo", "asx", "swf", "avs",  "bsf"};
};
struct AudioFormat {
    static constexpr std::array<std::string_view, 27> allCases = {
        "wma",  "ses", "ram",     "m4a", "m4b", "m4p", "mid", "midi", "mp2",
        "mp3",  "mso", "ogg",     "cda", "all", "amr", "ape", "asf",  "aif",
        "aiff", "au",  "audiocd", "dm",  "dss", "dvf", "wav", "flac", "aac"};
};
struct PictureFormat {
    static constexpr std::array<std::string_view, 43> allCases = {
        "aw",  "wmp", "tif", "tiff", "pict", "cdr", "bmp", "gif", "jpeg", "jpg",  "ofx",
        "pub", "ps",  "psd", "qxd",  "png",  "eps", "dwg", "dxf", "ico",  "indd", "iges",
        "cr2", "3ds", "pcx", "svg",  "wmf",  "met", "pgm", "ras", "svm",  "xbm",  "emf",
        "pbm", "plt", "sda", "tga",  "xpm",  "pcd", "pct", "ppm", "sgf",  "raw"};
};
struct DocumentFormat {
    static constexpr std::array<std::string_view, 16> allCases = {
        "doc", "docx", "docm", "dotx", "rtf", "csv", "xls", "xlsx",
        "ppt", "pptx", "pptm", "potx", "pdf", "txt", "mdb", "wps"};
};

// Kind of an extension given as stored (any case, without the dot); "" is `other`.
FileType fileTypeForExtension(std::string_view extension);
// Kind of a path by the extension of its last component.
FileType fileTypeOfPath(std::string_view path);

// Lower-cases an ASCII extension into `out` when it fits; false when it is longer than any
// extension a table or ignore list holds, which callers treat as "in no table".
bool lowercaseExtension(std::string_view extension, std::array<char, 16>& out, std::size_t& length);

}  // namespace orvane::files
