#pragma once
// What the user is told about a failed command: one rule for the window and the command line.

#include <optional>
#include <string>

// The text for the exception in flight, or nothing when it is to pass silently (the user's stop,
// an exception whose user has been told already). Call it only from inside a catch handler.
std::optional<std::string> DescribeCurrentException();
