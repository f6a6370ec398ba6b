// Writing the output side's files: the CSV file, the mail file, the saved
// preview and raw print files.
#pragma once

#include <string>
#include <string_view>

namespace corvex {

// Replaces the file path with bytes: written to a temporary file beside it
// and renamed over it, so a failed write leaves the old file whole. Throws
// std::runtime_error naming the file and the cause.
void scriviFileSicuro(const std::string& path, std::string_view bytes);

// Writes bytes to path directly, emptying an existing file (devices such as
// /dev/usb/lp0 cannot be renamed over). Throws std::runtime_error naming the
// file and the cause.
void scriviFileDiretto(const std::string& path, std::string_view bytes);

}  // namespace corvex
