// Columns of the suite's tables the engine treats specially.
#pragma once

#include <string_view>

namespace corvex::db {

// The suite's date columns: 'yyyymmdd' texts. The indexed copies index them,
// and the translator keeps other conditions off their indexes when a
// statement bounds one of them.
inline constexpr std::string_view kDateColumns[] = {"DataArrivo",        "DataPartenza",
                                                    "DataPartenzaReale", "DataAddebito",
                                                    "DataEmissione",     "DataInserimento"};

}  // namespace corvex::db
