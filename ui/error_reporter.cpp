#include "ui/error_reporter.h"

#include <QString>
#include <QWidget>
#include <exception>
#include <optional>
#include <string>

#include "core/exceptions.h"
#include "core/object_description.h"
#include "core/run_loop.h"
#include "core/string_table.h"
#include "ui/message_box.h"
#include "ui/ui_helpers.h"

namespace {

// The text to show for the exception in flight, or nothing when it is to pass silently. The
// first matching family decides: the first two are standard exceptions as well.
std::optional<std::string> DescribeCurrentException() {
    try {
        throw;
    } catch (const stop_exception&) {
        return std::nullopt;
    } catch (const object_description& e) {
        return e.description();
    } catch (const CUserException&) {
        return std::nullopt;  // the user has been told already, or there is nothing to tell
    } catch (const CException& e) {
        std::string text = e.ErrorMessage();
        if (text.empty()) text = LoadText(IDS_NO_ERROR_MESSAGE);
        return text;
    } catch (const std::exception& e) {
        return std::string(e.what());
    } catch (...) {
        return std::string(LoadText(IDS_UNKNOWN_EXCEPTION));
    }
}

}  // namespace

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
