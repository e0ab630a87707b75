#pragma once
// Exception roots shared by every layer; the device link and the program derive their own.

#include <string>

// Toolkit-style exception root: thrown by value here, reported with its own message.
class CException {
public:
    virtual ~CException() = default;
    // The text the error reporter shows; empty when the exception has none.
    virtual std::string ErrorMessage() const { return {}; }
};

// An operation that was ended after the user had been told; the reporter stays silent.
class CUserException : public CException {};
