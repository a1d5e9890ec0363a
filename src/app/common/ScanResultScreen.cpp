#include "app/common/ScanResultScreen.h"

#include <QAbstractButton>

namespace orvane::app {

void ScanResultScreen::goesBack(QAbstractButton* button) {
    connect(button, &QAbstractButton::clicked, this, [this] {
        if (backBlock) backBlock();
    });
}

}  // namespace orvane::app
