#include "app/common/UsageEvents.h"

namespace orvane::app::usage {

using namespace analytics;

std::string_view moduleFor(ModuleType type) {
    switch (type) {
        case ModuleType::similarPhotos: return module::similar;
        case ModuleType::duplicateFiles: return module::duplicateFile;
        case ModuleType::largeFiles: return module::bigfile;
        default: return module::none;
    }
}

std::string_view pathScreenModuleFor(ModuleType type) {
    return type == ModuleType::similarPhotos || type == ModuleType::duplicateFiles ? moduleFor(type)
                                                                                   : module::none;
}

std::string_view startOverModuleFor(ModuleType type) {
    const std::string_view shared = moduleFor(type);
    return shared.empty() ? module::cleanup : shared;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void process(std::string_view module, std::string_view action, Labels labels) {
    reportEvent(category::process, module, action, std::move(labels));
}

void operational(std::string_view module, std::string_view action, Labels labels) {
    reportEvent(category::operational, module, action, std::move(labels));
}

void renamer(std::string_view action, Labels labels) {
    reportEvent(category::fileRename, module::blank, action, std::move(labels));
}

void sheetAnswer(std::string_view module, bool confirmed) {
    operational(module, action::scWindow, {labels::confirmation(confirmed)});
}

}  // namespace orvane::app::usage
