#pragma once
// Window-wide shortcut keys of the menu entries. Qt lets a hidden action's shortcut go dead;
// here a hidden entry keeps answering its key while it and every menu above it are enabled,
// and an entry reached by its key first runs its menus' own handlers (outermost first), so
// that state such as the Edit menu's is current before the entry acts.
//
// Each entry's own shortcut stays on the action (the menu shows it) but is limited to the
// open menu; a QShortcut on the window does the rest. The QShortcut is enabled only while the
// key would act, so a disabled entry leaves the key to the focused widget.

#include <functional>
#include <QHash>
#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QShortcut;
class QWidget;

namespace tandrel {

class TShortcutRouter : public QObject {
    Q_OBJECT
public:
    using TMenuRunner = std::function<void(QMenu*)>;

    // `runMenu` runs a menu's handler, if it has one; `hasHandler` tells whether it has.
    TShortcutRouter(QWidget* window, TMenuRunner runMenu, std::function<bool(QMenu*)> hasHandler);

    // `menus`: the menus holding the entry, outermost first.
    void Add(QAction* entry, const QList<QMenu*>& menus);
    // Brings the keys' enabled states up to date (a menu handler was set or removed).
    void Refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TRoute {
        QAction* Entry = nullptr;
        QList<QMenu*> Menus;
        QShortcut* Key = nullptr;
    };

    void Sync(TRoute& route);
    void Activate(const TRoute& route);
    void WatchMenu(QMenu* menu);

    QWidget* FWindow;
    TMenuRunner FRunMenu;
    std::function<bool(QMenu*)> FHasHandler;
    QList<TRoute> FRoutes;
    QList<QMenu*> FWatched;
};

} // namespace tandrel
