#pragma once

#include <Qt>

#include "core/junk/JunkSubcategory.h"

namespace orvane::app {

// The check box state Qt draws for a junk heading or item.
inline Qt::CheckState qtState(junk::CheckState state) {
    switch (state) {
        case junk::CheckState::on: return Qt::Checked;
        case junk::CheckState::mixed: return Qt::PartiallyChecked;
        case junk::CheckState::off: return Qt::Unchecked;
    }
    return Qt::Unchecked;
}

}  // namespace orvane::app
