#pragma once

#include <string>

namespace orvane::renamer {

// Why a name request failed.
struct NetworkError {
    enum class Kind { serverError, custom, unknown, decodingError };

    Kind kind = Kind::unknown;
    long code = 0;        // HTTP status, for serverError
    std::string message;  // for serverError and custom

    static NetworkError serverError(long status, std::string msg) {
        return {Kind::serverError, status, std::move(msg)};
    }
    static NetworkError custom(std::string msg) { return {Kind::custom, 0, std::move(msg)}; }
    static NetworkError unknown() { return {Kind::unknown, 0, {}}; }
    static NetworkError decodingError() { return {Kind::decodingError, 0, {}}; }

    // The text shown on the file's row.
    std::string description() const {
        switch (kind) {
            case Kind::serverError:
            case Kind::custom: return message;
            case Kind::decodingError: return "The naming service's answer could not be read.";
            case Kind::unknown: break;
        }
        return "Unknown error";
    }
};

}  // namespace orvane::renamer
