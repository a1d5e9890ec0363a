#pragma once

#include <QString>
#include <Qt>

class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class QWidget;

// The pieces the module screens build their pages from, so that every module's pages sit and
// read alike.
namespace orvane::app {

// Fills `owner` edge to edge with a stack of pages, and returns the stack.
QStackedWidget* addPageStack(QWidget* owner);

// A word-wrapped label in `style`, centred unless told otherwise.
QLabel* wrappedLabel(const QString& text, const QString& style, QWidget* parent,
                     Qt::Alignment alignment = Qt::AlignCenter);

// The head of a module's first page: its icon, `iconSize` pixels square, over its name and what
// it does, added to `layout` (set on the page).
void addModuleIntro(QVBoxLayout* layout, const QString& iconName, int iconSize,
                    const QString& title, const QString& subtitle);

// A page that only says something: an icon over a title (object name "pageTitle"), and, when
// `button` is given, a button under them whose pointer lands there.
QWidget* messagePage(QWidget* parent, const QString& iconName, const QString& title,
                     QPushButton** button = nullptr, const QString& buttonText = {});

}  // namespace orvane::app
