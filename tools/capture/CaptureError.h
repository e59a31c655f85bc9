// The capture tool's one kind of failure: a reason fit to print on one line.
#pragma once

#include <stdexcept>
#include <string>

namespace capture
{

// Thrown for bad input and for anything that stops a capture; the tool prints what() and
// exits with status 2.
class CaptureError : public std::runtime_error
{
  public:
    explicit CaptureError(const std::string& reason) : std::runtime_error(reason) {}
};

} // namespace capture
