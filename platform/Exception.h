#pragma once
// The one base exception of the program: every error carries the text the user sees.
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }

private:
    std::string message_;
};

// A text that should be a number is not one.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A file or folder could not be read, written or created.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// A stream was asked for an operation it does not offer.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// A registry value is missing or of the other type.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};
