// Failures a person can act on, shared by every layer.
#pragma once

#include <stdexcept>

namespace corvex {

// A failure the user caused or can fix (bad date, missing file, ...): the
// message (UTF-8) says what and where. Database failures come as db::DbError.
class ReportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace corvex
