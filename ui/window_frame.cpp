#include "ui/window_frame.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {

// Watches the native window for its first exposure, runs the placement, then goes away. A child
// of the widget, so it dies with it.
class ExposureWatch : public QObject {
public:
    ExposureWatch(QWidget* window, std::function<void()> place)
        : QObject(window), m_place(std::move(place)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* handle = static_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && handle->isExposed() && m_place) {
            // Taken out first: the placement may run an event loop that exposes again.
            const std::function<void()> place = std::move(m_place);
            m_place = nullptr;
            handle->removeEventFilter(this);
            deleteLater();
            place();
        }
        return false;
    }

private:
    std::function<void()> m_place;
};

}  // namespace

void WhenFramed(QWidget* window, std::function<void()> place) {
    window->winId();  // the native window exists from here on
    QWindow* handle = window->windowHandle();
    if (!handle || handle->isExposed()) {
        place();
        return;
    }
    handle->installEventFilter(new ExposureWatch(window, std::move(place)));
}
