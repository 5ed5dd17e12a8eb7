#pragma once
// The exception type of the platform layer: a message text, formatted on
// demand by `what`.
#include <exception>
#include <string>

class OSException : public std::exception {
public:
    explicit OSException(std::string message = std::string()) : m_message(std::move(message)) {}
    OSException(const OSException&) = default;
    OSException& operator=(const OSException&) = default;
    ~OSException() override = default;

    // The formatted text (the message itself for this class).
    const char* what() const noexcept override;
    const std::string& Message() const { return m_message; }

protected:
    // Fills the formatted text from the message and returns it.
    virtual const std::string& Format() const;

    std::string m_message;
    mutable std::string m_formatted;
};
