// Temporary stand-in until the Jet importer lands: recognises Jet files,
// cannot convert them, and provides the cache folder.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "data/engine/error.h"
#include "data/engine/jet_cache.h"

namespace corvex::db {

bool isJetFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[32] = {};
    in.read(head, sizeof head);
    std::string_view h(head, static_cast<std::size_t>(in.gcount()));
    return h.size() >= 19 &&
           (h.substr(4, 15) == "Standard Jet DB" || h.substr(4, 15) == "Standard ACE DB");
}

std::string jetCachedCopy(const std::string& path) {
    throw DbError(path, "", "lettura dei file Jet non ancora disponibile");
}

std::string cacheDirectory() {
    std::string dir;
    if (const char* c = std::getenv("CORVEX_CACHE"); c && *c)
        dir = c;
    else if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x)
        dir = std::string(x) + "/corvex";
    else if (const char* h = std::getenv("HOME"); h && *h)
        dir = std::string(h) + "/.cache/corvex";
    else
        dir = "/tmp/corvex-cache";
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace corvex::db
