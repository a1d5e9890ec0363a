#include "kit/CurlLibrary.h"

#include <dlfcn.h>

namespace orvane::kit {

namespace {

std::string loaderError() {
    const char* text = dlerror();
    return text ? text : "unknown error";
}

// Sets `slot` to the symbol `symbol` of `handle`; false when the library lacks it.
template <typename Function>
bool resolve(void* handle, const char* symbol, Function*& slot) {
    dlerror();
    void* address = dlsym(handle, symbol);
    if (!address) return false;
    slot = reinterpret_cast<Function*>(address);
    return true;
}

}  // namespace

CurlLibrary::CurlLibrary(const std::string& name) {
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        fail(name, loaderError());
        return;
    }
    CURLcode (*globalInit)(long) = nullptr;
    const bool complete = resolve(handle, "curl_global_init", globalInit) &&
                          resolve(handle, "curl_easy_init", easyInit) &&
                          resolve(handle, "curl_easy_setopt", easySetopt) &&
                          resolve(handle, "curl_easy_perform", easyPerform) &&
                          resolve(handle, "curl_easy_getinfo", easyGetinfo) &&
                          resolve(handle, "curl_easy_cleanup", easyCleanup) &&
                          resolve(handle, "curl_easy_strerror", easyStrerror) &&
                          resolve(handle, "curl_slist_append", slistAppend) &&
                          resolve(handle, "curl_slist_free_all", slistFreeAll);
    if (!complete) {
        fail(name, loaderError());
        dlclose(handle);
        return;
    }
    // Counted by libcurl, so a second copy opened on the same library does no harm.
    const CURLcode code = globalInit(CURL_GLOBAL_DEFAULT);
    if (code != CURLE_OK) {
        fail(name, easyStrerror(code));
        dlclose(handle);
    }
}

void CurlLibrary::fail(const std::string& name, const std::string& why) {
    error_ =
        "Orvane could not load libcurl (" + name + "): " + why + ". Install the libcurl4 package.";
    easyInit = nullptr;
    easySetopt = nullptr;
    easyPerform = nullptr;
    easyGetinfo = nullptr;
    easyCleanup = nullptr;
    easyStrerror = nullptr;
    slistAppend = nullptr;
    slistFreeAll = nullptr;
}

const CurlLibrary& CurlLibrary::shared() {
    static const CurlLibrary* library = new CurlLibrary(kDefaultName);
    return *library;
}

}  // namespace orvane::kit
