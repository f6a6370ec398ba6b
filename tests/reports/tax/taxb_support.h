// Small aids for the report tests: the shared fakes and a column from a cell
// that may be null.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "support/data_folder.h"
#include "support/fake_io.h"
#include "support/scoped_env.h"

namespace corvex::test {

// A column whose value may be null.
inline Column column(const char* name, const Cell& value) {
    return std::visit([name](const auto& v) { return Column(name, v); }, value);
}

}  // namespace corvex::test
