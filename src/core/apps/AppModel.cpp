#include "core/apps/AppModel.h"

namespace orvane::apps {

std::vector<AppFilePtr> AppModel::allSubFiles() const {
    std::vector<AppFilePtr> all;
    if (!isResidual) all.insert(all.end(), appFiles.begin(), appFiles.end());
    for (const auto* list : {&peferenceFiles, &appSupportFiles, &logFiles, &otherFiles})
        all.insert(all.end(), list->begin(), list->end());
    return all;
}

std::uint64_t AppModel::totalSize() const {
    std::uint64_t total = 0;
    for (const auto* list : {&appFiles, &peferenceFiles, &appSupportFiles, &logFiles, &otherFiles})
        for (const AppFilePtr& file : *list) total += file->size;
    return total;
}

void AppModel::setItemState(bool newState) {
    for (auto* list : {&appFiles, &peferenceFiles, &appSupportFiles, &logFiles, &otherFiles})
        for (const AppFilePtr& file : *list) file->selected = newState;
    isSelected = newState;
}

}  // namespace orvane::apps
