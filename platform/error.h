#pragma once

#include <stdexcept>
#include <string>

namespace zantovel {

// A failure of an operating-system operation. what() is a sentence a person can act on:
// the operation, the path and the system's reason, e.g.
//   Cannot delete "/data/x.tmp": Operation not permitted
class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace zantovel
