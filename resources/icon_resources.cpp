#include "resources/icon_resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static bool RegisterIcons() {
    Q_INIT_RESOURCE(icons);
    return true;
}

void LoadIconResources() {
    static const bool registered = RegisterIcons();
    (void)registered;
}
