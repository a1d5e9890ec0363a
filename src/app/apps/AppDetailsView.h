#pragma once

#include <QWidget>

#include "core/apps/AppModel.h"

class QLabel;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace orvane::app {

class AppIcons;

// The files of one application by kind (its own install, preferences, application support,
// logs, other files), each kind with its total and each file with its size and a check box.
class AppDetailsView : public QWidget {
    Q_OBJECT
public:
    AppDetailsView(AppIcons& icons, QWidget* parent = nullptr);

    // Shows an app (nothing: the empty hint).
    void showApp(apps::AppModelPtr app);
    // The app's selection changed elsewhere (its box in the list).
    void refreshChecks();
    const apps::AppModelPtr& app() const { return app_; }

    QTreeWidget* fileTree() const { return tree_; }
    QLabel* nameLabel() const { return name_; }
    QLabel* infoLabel() const { return info_; }
    QLabel* hintLabel() const { return hint_; }
    QLabel* whereLabel() const { return where_; }

    // "Application", "Preferences", ... for a kind of file.
    static QString kindTitle(apps::AppFileType type);

Q_SIGNALS:
    // The user ticked or cleared files of the app shown.
    void filesChanged(const apps::AppModel* app);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void itemChanged(QTreeWidgetItem* item, int column);
    // The app's place, shortened in the middle to the width the pane gives it.
    void fitWhere();

    AppIcons& icons_;
    apps::AppModelPtr app_;
    bool filling_ = false;
    QStackedWidget* stack_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* icon_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* info_ = nullptr;
    QLabel* where_ = nullptr;
    QString whereText_;
    QTreeWidget* tree_ = nullptr;
};

}  // namespace orvane::app
