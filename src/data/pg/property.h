// A property (one structure of a hotel group) on the server: its name and the
// schema that holds its data.
#pragma once

#include <string>
#include <string_view>

namespace corvex::pg {

// A lower-case identifier: a letter, then letters, digits or '_', at most
// 31 characters ("hotel_mare", "h2").
bool validPropertyName(std::string_view name);
// The schema of a property: "corvex_" + name.
std::string schemaName(std::string_view property);

// The server-side layout version the sync writes and the reports expect.
inline constexpr int kLayoutVersion = 1;

}  // namespace corvex::pg
