#include "core/duplicates/DuplicateSelection.h"

#include <sys/stat.h>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "core/duplicates/PathOrder.h"
#include "core/files/FileIdentity.h"
#include "core/settings/UserDefaults.h"
#include "kit/Paths.h"

namespace orvane::duplicates {

namespace {

// Case-insensitive (secondary strength keeps accents apart, as file browsers do) with numeric
// ordering of digit runs. Made per sort: a collator is cheap next to the sort keys it produces.
std::unique_ptr<icu::Collator> makeCollator() {
    UErrorCode status = U_ZERO_ERROR;
    // Without a language setting ICU falls back to the POSIX locale, whose tailoring orders by
    // code point and case; a file browser there still orders like the root collation.
    icu::Locale locale = icu::Locale::getDefault();
    if (std::string_view(locale.getName()).starts_with("en_US_POSIX"))
        locale = icu::Locale::getRoot();
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !c) {
        status = U_ZERO_ERROR;
        c.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) return nullptr;
    }
    c->setStrength(icu::Collator::SECONDARY);
    c->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    return c;
}

// Names need not be UTF-8; for ordering only, foreign bytes count as U+FFFD.
std::string sortKey(const icu::Collator& collator, std::string_view name) {
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
    std::string key(64, '\0');
    int32_t n = collator.getSortKey(text, reinterpret_cast<uint8_t*>(key.data()),
                                    static_cast<int32_t>(key.size()));
    if (n > static_cast<int32_t>(key.size())) {
        key.resize(static_cast<std::size_t>(n));
        n = collator.getSortKey(text, reinterpret_cast<uint8_t*>(key.data()), n);
    }
    key.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return key;
}

bool sameFileOnDisk(const FileInfo& a, const FileInfo& b) {
    return files::sameFileOnDisk(a.resourceValue.resourceValues.fileResourceIdentifier(), a.path(),
                                 b.resourceValue.resourceValues.fileResourceIdentifier(), b.path());
}

std::string firstName(const DuplicateFiles& group) {
    if (group.infos().empty()) return {};
    return kit::directoryName(group.infos().front()->path());
}

}  // namespace

bool DuplicateSelection::localizedStandardLess(std::string_view a, std::string_view b) {
    // Callers may compare in a loop; one collator per thread keeps that cheap and unshared.
    thread_local const std::unique_ptr<icu::Collator> collator = makeCollator();
    if (!collator) return a < b;
    return sortKey(*collator, a) < sortKey(*collator, b);
}

void DuplicateSelection::sort(std::vector<DuplicateFilesPtr>& groups, GroupSortOrder order) {
    switch (order) {
        case GroupSortOrder::size:
            std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
                return a->totalSize > b->totalSize;
            });
            return;
        case GroupSortOrder::quantity:
            std::stable_sort(groups.begin(), groups.end(),
                             [](const auto& a, const auto& b) { return a->count() > b->count(); });
            return;
        case GroupSortOrder::name: {
            const auto collator = makeCollator();
            // One key per group, computed once; an empty group never sorts before another.
            std::vector<std::pair<std::optional<std::string>, DuplicateFilesPtr>> keyed;
            keyed.reserve(groups.size());
            for (auto& g : groups) {
                std::optional<std::string> key;
                if (g && g->count() > 0) {
                    const std::string name = firstName(*g);
                    key = collator ? sortKey(*collator, name) : name;
                }
                keyed.emplace_back(std::move(key), std::move(g));
            }
            std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
                if (!a.first) return false;
                if (!b.first) return true;
                return *a.first < *b.first;
            });
            for (std::size_t i = 0; i < groups.size(); ++i) groups[i] = std::move(keyed[i].second);
            return;
        }
    }
}

void DuplicateSelection::refreshGroup(DuplicateFiles& group) {
    std::size_t selected = 0;
    std::uint64_t bytes = 0;
    for (const auto& f : group.infos()) {
        if (!f->selected) continue;
        ++selected;
        bytes += f->size();
    }
    group.uiSelectedSize = bytes;
    group.selectState = selected == 0               ? SelectState::off
                        : selected == group.count() ? SelectState::on
                                                    : SelectState::mixed;
}

void DuplicateSelection::autoSelect(const std::vector<DuplicateFilesPtr>& groups) {
    selectKeeping(groups, KeepRule::first);
}

std::size_t DuplicateSelection::keptIndex(const DuplicateFiles& group, KeepRule rule) {
    if (rule == KeepRule::first || group.count() < 2) return 0;
    // Read once per member: the comparison must not see a time change halfway through.
    struct Age {
        bool present = false;
        std::int64_t sec = 0, nsec = 0;
    };
    std::vector<Age> ages(group.count());
    for (std::size_t i = 0; i < group.count(); ++i) {
        struct stat st {};
        if (::lstat(group.infos()[i]->path().c_str(), &st) == 0)
            ages[i] = {true, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    }
    auto better = [&](std::size_t a, std::size_t b) {
        if (ages[a].present != ages[b].present) return ages[a].present;
        const auto ta = std::pair(ages[a].sec, ages[a].nsec),
                   tb = std::pair(ages[b].sec, ages[b].nsec);
        if (ta != tb) return rule == KeepRule::oldest ? ta < tb : ta > tb;
        return pathLess(group.infos()[a]->path(), group.infos()[b]->path());
    };
    std::size_t kept = 0;
    for (std::size_t i = 1; i < group.count(); ++i)
        if (better(i, kept)) kept = i;
    return kept;
}

void DuplicateSelection::selectKeeping(const std::vector<DuplicateFilesPtr>& groups,
                                       KeepRule rule) {
    for (const auto& g : groups) {
        if (!g || g->count() == 0) continue;
        const std::size_t kept = keptIndex(*g, rule);
        const FileInfo& keptFile = *g->_infos[kept];
        // Another name of the kept file holds no bytes of its own: taking it away frees nothing,
        // and removal would refuse it anyway.
        for (std::size_t i = 0; i < g->count(); ++i)
            g->_infos[i]->selected = i != kept && !sameFileOnDisk(*g->_infos[i], keptFile);
        refreshGroup(*g);
    }
}

void DuplicateSelection::deselectAll(const std::vector<DuplicateFilesPtr>& groups) {
    for (const auto& g : groups) {
        if (!g) continue;
        for (const auto& f : g->infos()) f->selected = false;
        g->selectState = SelectState::off;
        g->uiSelectedSize = 0;
    }
}

void DuplicateSelection::setGroupChecked(DuplicateFiles& group, bool on) {
    for (const auto& f : group.infos()) f->selected = on;
    refreshGroup(group);
}

void DuplicateSelection::toggleFile(DuplicateFiles& group, std::size_t index) {
    if (index >= group.count()) return;
    group._infos[index]->selected = !group._infos[index]->selected;
    refreshGroup(group);
}

SelectionTotals DuplicateSelection::totals(const std::vector<DuplicateFilesPtr>& groups) {
    SelectionTotals t;
    for (const auto& g : groups) {
        if (!g) continue;
        for (const auto& f : g->infos()) {
            if (!f->selected) continue;
            ++t.count;
            t.size += f->size();
        }
    }
    return t;
}

std::array<KindGroups, 5> DuplicateSelection::remainingByKind(
    const std::vector<DuplicateFilesPtr>& groups) {
    std::array<KindGroups, 5> kinds;
    for (const auto& g : groups) {
        if (!g || g->count() < 2) continue;
        KindGroups& kind = kinds[static_cast<std::size_t>(g->infos().front()->fileType())];
        kind.groups.push_back(g);
        kind.size += g->totalSize;
    }
    return kinds;
}

std::uint64_t DuplicateSelection::reclaimableSize(const std::vector<DuplicateFilesPtr>& groups) {
    std::uint64_t bytes = 0;
    for (const auto& g : groups) {
        if (!g || g->count() < 2) continue;
        // The total already counts each file once; one of them stays.
        const std::uint64_t one = g->infos().front()->size();
        bytes += g->totalSize - std::min(g->totalSize, one);
    }
    return bytes;
}

std::size_t DuplicateSelection::groupsLosingEveryCopy(
    const std::vector<DuplicateFilesPtr>& groups) {
    return static_cast<std::size_t>(std::count_if(
        groups.begin(), groups.end(), [](const auto& g) { return g && everyCopySelected(*g); }));
}

bool DuplicateSelection::everyCopySelected(const DuplicateFiles& group) {
    return group.count() > 0 && std::all_of(group.infos().begin(), group.infos().end(),
                                            [](const auto& f) { return f->selected; });
}

bool DuplicateSelection::needsCompleteConfirmation(const DuplicateFiles& group,
                                                   const settings::UserDefaults& defaults) {
    return everyCopySelected(group) &&
           !defaults.objectForKey(settings::defaultskey::completeScan).has_value();
}

void DuplicateSelection::recordCompleteConfirmation(settings::UserDefaults& defaults) {
    defaults.setBool(settings::defaultskey::completeScan, true);
}

GroupSelectionSnapshot DuplicateSelection::capture(const DuplicateFiles& group) {
    GroupSelectionSnapshot s;
    for (const auto& f : group.infos()) s.selected.push_back(f->selected);
    s.selectState = group.selectState;
    s.uiSelectedSize = group.uiSelectedSize;
    return s;
}

void DuplicateSelection::restore(DuplicateFiles& group, const GroupSelectionSnapshot& snapshot) {
    for (std::size_t i = 0; i < group.count() && i < snapshot.selected.size(); ++i)
        group._infos[i]->selected = snapshot.selected[i];
    group.selectState = snapshot.selectState;
    group.uiSelectedSize = snapshot.uiSelectedSize;
}

}  // namespace orvane::duplicates
