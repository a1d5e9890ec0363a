#pragma once

#include <QWidget>

namespace orvane::app {

// A round progress figure with the percentage in its middle; with `spinning` set it also turns
// a short arc so the screen visibly lives while a long step reports nothing.
class ProgressRing : public QWidget {
    Q_OBJECT
public:
    explicit ProgressRing(QWidget* parent = nullptr);
    void setValue(double fraction);
    double value() const { return value_; }
    void setSpinning(bool spinning);
    void advanceSpin();
    void setCenterText(const QString& text);
    QSize sizeHint() const override { return {168, 168}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double value_ = 0;
    bool spinning_ = false;
    int spinAngle_ = 0;
    QString centerText_;
};

}  // namespace orvane::app
