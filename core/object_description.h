#pragma once

#include <string>

// Mix-in for exceptions that carry a ready-made text for the user (UTF-8).
class object_description {
public:
    explicit object_description(std::string text) : m_text(std::move(text)) {}
    virtual ~object_description() = default;

    const std::string& description() const noexcept { return m_text; }

private:
    std::string m_text;
};
