#include "ui/error_reporter.h"

#include <QString>
#include <QWidget>
#include <exception>
#include <optional>
#include <string>

#include "core/exception_text.h"
#include "ui/message_box.h"
#include "ui/ui_helpers.h"

void ReportCurrentException() noexcept {
    // A rethrow with nothing in flight would end the program.
    if (!std::current_exception()) return;
    try {
        const std::optional<std::string> text = DescribeCurrentException();
        if (text) ShowMessageBox(nullptr, QString::fromStdString(*text), MsgIcon::Error);
    } catch (...) {
        // Describing or showing failed (an ErrorMessage that throws, no memory): nothing to add.
    }
}

void ReportFailure(QWidget* window) noexcept {
    if (window) {
        FlashIfInactive(window);
        window->window()->raise();
    }
    ReportCurrentException();
}
