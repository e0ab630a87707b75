#pragma once
// Small helpers shared by the windows that run long device operations.

class QWidget;

// Draws the user's attention to `window`'s top-level window unless it is the active one; used
// before a box that ends a long operation.
void FlashIfInactive(QWidget* window);

// Shows the wait cursor over the whole application for as long as it lives. Guards nest.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
