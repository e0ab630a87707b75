#pragma once
// Exception families of the device link.

#include <cstdint>
#include <exception>
#include <string>

#include "core/exceptions.h"
#include "core/object_description.h"

// A serial channel operation failed. No text: the caller turns it into a result code; the reason
// tells a silent device (time-out, a garbled frame) from a port that has gone.
class CDeviceException : public CUserException {
public:
    enum class Reason {
        TimedOut,  // the bytes did not all arrive or leave in time
        BadFrame,  // an answer that breaks the framing (start or check byte)
        HungUp,    // the port reported a hang-up or the end of its data: it has gone
        IoError,   // a system call failed; `Error()` holds its errno
    };
    explicit CDeviceException(Reason reason, int error = 0) : m_reason(reason), m_error(error) {}

    Reason GetReason() const { return m_reason; }
    int Error() const { return m_error; }
    // True when the port itself is gone, so retrying on it is pointless.
    bool PortLost() const { return m_reason == Reason::HungUp || m_reason == Reason::IoError; }

private:
    Reason m_reason;
    int m_error;
};

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
