#include "ui/ui_helpers.h"

#include <QApplication>
#include <QWidget>

void FlashIfInactive(QWidget* window) {
    if (!window) return;
    QWidget* topLevel = window->window();
    if (!topLevel->isActiveWindow()) QApplication::alert(topLevel);
}

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }
