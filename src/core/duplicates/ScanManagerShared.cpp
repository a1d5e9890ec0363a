#include "core/duplicates/ScanCache.h"
#include "core/duplicates/ScanManager.h"
#include "core/settings/PerferenceInfo.h"
#include "core/settings/PreferenceObservers.h"
#include "platform/DiskInfo.h"

namespace orvane::duplicates {

const std::shared_ptr<ScanManager>& ScanManager::shared() {
    static const std::shared_ptr<ScanManager> instance = [] {
        Environment environment;
        environment.diskInventory = platform::makeDiskInventory();
        // The desktop program rescans the same folders often: keep what each scan learned.
        environment.scanCachePath = ScanCache::defaultPath(environment.layout);
        auto manager = create(std::move(environment));
        // A scan keeps the snapshot it started with; a save during it applies to the next one
        // (which takes a fresh snapshot anyway).
        std::weak_ptr<ScanManager> weak = manager;
        settings::PreferenceObservers::add(
            [weak](std::shared_ptr<const settings::PerferenceInfo> snapshot) {
                if (auto self = weak.lock(); self && !self->scaning)
                    self->setScanPreference(std::move(snapshot));
            });
        return manager;
    }();
    return instance;
}

}  // namespace orvane::duplicates
