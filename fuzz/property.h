#pragma once
// How a check reports a broken promise.

#include <stdexcept>

class PropertyViolation : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Throws PropertyViolation naming the promise unless it `holds`.
inline void Require(bool holds, const char* promise) {
    if (!holds) throw PropertyViolation(promise);
}
