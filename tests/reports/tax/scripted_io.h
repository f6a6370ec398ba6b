// The report tests' Interaction fake, and the bytes of a report file.
#pragma once

#include <string>
#include <vector>

#include "support/fake_io.h"

namespace corvex::test {

// Lines joined with CRLF, each line ended: the bytes of a report file.
inline std::string reportBytes(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

}  // namespace corvex::test
