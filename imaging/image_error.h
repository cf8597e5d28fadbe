#pragma once
#include <stdexcept>
#include <string>

// Raised by picture decoding, encoding and file writing; the message is shown to the user as is.
class ImageError : public std::runtime_error {
public:
    explicit ImageError(const std::string& message) : std::runtime_error(message) {}
};

// A value a text file format cannot hold (a path with a line break, say), found before anything
// was written; the message names the value and what is wrong with it.
class UnwritableValueError : public ImageError {
public:
    using ImageError::ImageError;
};

// Raised by strict text-to-number conversion; the message names the offending text.
class ConvertError : public std::runtime_error {
public:
    explicit ConvertError(const std::string& message) : std::runtime_error(message) {}
};
