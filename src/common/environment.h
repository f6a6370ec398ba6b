// The installation's environment: workstation number and the suite's folder.
#pragma once

#include <string>

namespace corvex {

// The number that PCLocal starts with, in decimal without leading zeros or
// sign: "3" and "03" give "3"; unset, empty or non-numeric give "0".
std::string workstationNumber();
// "fd" + workstationNumber(): the one name of the report file, for writers and
// readers alike, so a text from the environment can never steer a file
// outside the current directory.
std::string reportFileName();
// DirKV (looked up without regard to case), with the suite's '\' separators
// turned into '/'; empty when unset.
std::string dirKV();
// Environment variable value or empty (exact name).
std::string envValue(const std::string& name);

}  // namespace corvex
