#include "ShortcutRouter.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QShortcut>
#include <QWidget>

namespace tandrel {

namespace {

bool MenuEnabled(const QMenu* menu) {
    return menu->isEnabled() && menu->menuAction()->isEnabled();
}

} // namespace

TShortcutRouter::TShortcutRouter(QWidget* window, TMenuRunner runMenu,
                                 std::function<bool(QMenu*)> hasHandler)
    : QObject(window), FWindow(window), FRunMenu(std::move(runMenu)),
      FHasHandler(std::move(hasHandler)) {}

void TShortcutRouter::Add(QAction* entry, const QList<QMenu*>& menus) {
    TRoute route;
    route.Entry = entry;
    route.Menus = menus;
    route.Key = new QShortcut(FWindow);
    route.Key->setContext(Qt::WindowShortcut);
    route.Key->setAutoRepeat(entry->autoRepeat());
    entry->setShortcutContext(Qt::WidgetShortcut);
    const qsizetype index = FRoutes.size();
    FRoutes.push_back(route);
    connect(route.Key, &QShortcut::activated, this, [this, index] { Activate(FRoutes[index]); });
    connect(entry, &QAction::changed, this, [this, index] { Sync(FRoutes[index]); });
    for (QMenu* menu : menus)
        WatchMenu(menu);
    Sync(FRoutes.back());
}

void TShortcutRouter::WatchMenu(QMenu* menu) {
    if (FWatched.contains(menu))
        return;
    FWatched.push_back(menu);
    menu->installEventFilter(this);
    // A menu is disabled either as a widget or through its action in the menu bar; each
    // follows the other so that both views of it agree.
    connect(menu->menuAction(), &QAction::changed, this, [this, menu] {
        if (menu->isEnabled() != menu->menuAction()->isEnabled())
            menu->setEnabled(menu->menuAction()->isEnabled());
        Refresh();
    });
}

bool TShortcutRouter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        auto* menu = static_cast<QMenu*>(watched);
        if (menu->menuAction()->isEnabled() != menu->isEnabled())
            menu->menuAction()->setEnabled(menu->isEnabled());
        Refresh();
    }
    return QObject::eventFilter(watched, event);
}

void TShortcutRouter::Refresh() {
    for (TRoute& route : FRoutes)
        Sync(route);
}

void TShortcutRouter::Sync(TRoute& route) {
    if (route.Key->key() != route.Entry->shortcut())
        route.Key->setKey(route.Entry->shortcut());
    bool menusEnabled = true;
    bool menuDecides = false;
    for (QMenu* menu : route.Menus) {
        menusEnabled = menusEnabled && MenuEnabled(menu);
        menuDecides = menuDecides || FHasHandler(menu);
    }
    // A menu with a handler may enable the entry when it runs, so its key stays live.
    route.Key->setEnabled(menusEnabled && (route.Entry->isEnabled() || menuDecides));
}

void TShortcutRouter::Activate(const TRoute& route) {
    for (QMenu* menu : route.Menus) {
        if (!MenuEnabled(menu))
            return;
        FRunMenu(menu);
    }
    if (route.Entry->isEnabled())
        route.Entry->trigger();
}

} // namespace tandrel
