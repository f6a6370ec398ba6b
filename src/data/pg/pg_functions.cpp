#include "data/pg/pg_functions.h"

namespace corvex::pg {

std::string functionsSql() {
    return "";
}

}  // namespace corvex::pg
