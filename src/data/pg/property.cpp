#include "data/pg/property.h"

namespace corvex::pg {

bool validPropertyName(std::string_view name) {
    if (name.empty() || name.size() > 31) return false;
    if (name[0] < 'a' || name[0] > 'z') return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) return false;
    }
    return true;
}

std::string schemaName(std::string_view property) {
    return "corvex_" + std::string(property);
}

}  // namespace corvex::pg
