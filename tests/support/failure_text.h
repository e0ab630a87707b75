#pragma once
// The text a failing device operation gives the user, or "no exception".

#include <functional>
#include <string>

#include "device/device_exceptions.h"

inline std::string FailureText(const std::function<void()>& action) {
    try {
        action();
    } catch (const object_description& e) {
        return e.description();
    }
    return "no exception";
}
