// The tool's failures: a message for standard error and the exit status.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kvogc::tool {

/// Exit statuses of the kvogc tool.
enum ExitStatus : int {
  kExitOk = 0,
  /// The library refused an operation, or a delivery never arrived.
  kExitFailed = 1,
  /// Bad command line, unreadable or malformed input, or an output that cannot be written.
  kExitBadInput = 2,
};

/// A failure the tool reports and stops at; the message needs no "kvogc:" prefix.
class CToolError : public std::runtime_error {
 public:
  CToolError(ExitStatus status, const std::string& message)
      : std::runtime_error(message), m_status(status) {}
  ExitStatus Status() const { return m_status; }

 private:
  ExitStatus m_status;
};

/// "0x80070057 (invalid argument)": a status in hex with its meaning, when known.
std::string DescribeStatus(int32_t status);

}  // namespace kvogc::tool
