#pragma once
// Exception families of the device link.

#include <cstdint>
#include <exception>
#include <string>

#include "core/exceptions.h"
#include "core/object_description.h"

// A serial channel operation failed (time-out, short read, write error). No text.
class CDeviceException : public CUserException {};

// A serial port could not be opened.
class com_port_exception : public std::exception, public object_description {
public:
    explicit com_port_exception(std::string text) : object_description(std::move(text)) {}
    // Builds the text from the errno of the failed open.
    static com_port_exception FromErrno(int error);
    const char* what() const noexcept override { return description().c_str(); }
};

// A device command failed; carries the text for the user.
class test_exception : public std::exception, public object_description {
public:
    explicit test_exception(std::string text) : object_description(std::move(text)) {}
    explicit test_exception(int stringId);
    const char* what() const noexcept override { return description().c_str(); }
};
