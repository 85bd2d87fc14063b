#pragma once
// Typed errors of the core. A window never lets one escape its handler: the
// general error report shows Message() and the handler ends there.
#include <stdexcept>
#include <string>

namespace lumisk {

// Base of every error the program reports to the user. The message is the
// exact text the user sees (bytes, as the rest of the program keeps texts).
class ELumiskError : public std::runtime_error {
public:
    explicit ELumiskError(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// "Cannot create file %s": a file could not be written.
class EFCreateError : public ELumiskError {
public:
    explicit EFCreateError(const std::string& path)
        : ELumiskError("Cannot create file " + path) {}
};

// "Cannot open file %s": a file could not be read.
class EFOpenError : public ELumiskError {
public:
    explicit EFOpenError(const std::string& path) : ELumiskError("Cannot open file " + path) {}
};

// "'%s' is not a valid integer value": text that must be a whole number was not.
class EConvertError : public ELumiskError {
public:
    explicit EConvertError(const std::string& text)
        : ELumiskError("'" + text + "' is not a valid integer value") {}
};

// The general error report's text: the message with a full stop added unless
// it already ends with one or with a character that sorts before it.
std::string ErrorReportText(const std::string& message);

} // namespace lumisk
