#include "app/common/ProgressRing.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace orvane::app {

ProgressRing::ProgressRing(QWidget* parent) : QWidget(parent) { setMinimumSize(120, 120); }

void ProgressRing::setValue(double fraction) {
    value_ = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
    update();
}

void ProgressRing::setSpinning(bool spinning) {
    spinning_ = spinning;
    update();
}

void ProgressRing::advanceSpin() {
    spinAngle_ = (spinAngle_ + 12) % 360;
    if (spinning_) update();
}

void ProgressRing::setCenterText(const QString& text) {
    centerText_ = text;
    update();
}

void ProgressRing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 16;
    QRectF ring((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    QPen track(QColor(0xe4, 0xea, 0xf2), 12, Qt::SolidLine, Qt::RoundCap);
    p.setPen(track);
    p.drawEllipse(ring);
    if (value_ > 0) {
        QPen bar(QColor(0x2f, 0x7c, 0xf6), 12, Qt::SolidLine, Qt::RoundCap);
        p.setPen(bar);
        p.drawArc(ring, 90 * 16, -static_cast<int>(value_ * 360 * 16));
    }
    if (spinning_) {
        QRectF inner = ring.adjusted(16, 16, -16, -16);
        QPen arc(QColor(0x9c, 0xc1, 0xfa), 3, Qt::SolidLine, Qt::RoundCap);
        p.setPen(arc);
        p.drawArc(inner, -spinAngle_ * 16, 60 * 16);
    }
    p.setPen(QColor(0x24, 0x30, 0x3f));
    QFont f = font();
    f.setPixelSize(std::max(14, side / 6));
    f.setBold(true);
    p.setFont(f);
    const QString text = centerText_.isEmpty()
                             ? QStringLiteral("%1%").arg(static_cast<int>(std::floor(value_ * 100)))
                             : centerText_;
    p.drawText(rect(), Qt::AlignCenter, text);
}

}  // namespace orvane::app
