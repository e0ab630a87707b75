#include "core/exception_text.h"

#include <exception>

#include "core/exceptions.h"
#include "core/object_description.h"
#include "core/run_loop.h"
#include "core/string_table.h"

// The first matching family decides: the first two are standard exceptions as well.
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
