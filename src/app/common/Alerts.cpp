#include "app/common/Alerts.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

namespace orvane::app {

namespace {

QMessageBox* makeBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                     const QString& details) {
    auto* box = new QMessageBox(parent);
    box->setObjectName(QStringLiteral("orvaneMessage"));
    box->setIcon(icon);
    box->setWindowTitle(QStringLiteral("Orvane"));
    box->setText(text);
    if (!details.isEmpty()) box->setInformativeText(details);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

}  // namespace

QMessageBox* askQuestion(QWidget* parent, const QString& text, const QString& cancelText,
                         const QString& confirmText, std::function<void(bool)> done,
                         const QString& details) {
    auto* box = makeBox(parent, QMessageBox::Question, text, details);
    QPushButton* confirm = box->addButton(confirmText, QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(cancelText, QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::finished, box, [box, confirm, done = std::move(done)](int) {
        const bool yes = box->clickedButton() == confirm;
        if (done) done(yes);
    });
    box->open();
    return box;
}

QMessageBox* showAlert(QWidget* parent, const QString& text, const QString& buttonText,
                       std::function<void()> done, const QString& details) {
    auto* box = makeBox(parent, QMessageBox::Warning, text, details);
    QPushButton* ok = box->addButton(buttonText, QMessageBox::AcceptRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    QObject::connect(box, &QMessageBox::finished, box, [done = std::move(done)](int) {
        if (done) done();
    });
    box->open();
    return box;
}

bool hasOpenSheet(QWidget* window) {
    const auto tops = QApplication::topLevelWidgets();
    for (QWidget* w : tops) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (!dialog || !dialog->isVisible()) continue;
        if (!window || dialog->parentWidget() == nullptr ||
            dialog->parentWidget()->window() == window->window())
            return true;
    }
    return false;
}

}  // namespace orvane::app
