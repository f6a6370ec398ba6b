#include "data/engine/error.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "common/text.h"

namespace corvex::db {

namespace {

std::string message(const std::string& file, const std::string& cause) {
    if (file.empty()) return cause;
    return cp1252ToUtf8(file) + ": " + cause;
}

// Messages of SQLITE_ERROR and SQLITE_CONSTRAINT whose detail follows a fixed
// English head: the head's Italian, the detail before or after it.
struct Pattern {
    std::string_view english;
    std::string_view before;
    std::string_view after;
};

constexpr Pattern kPatterns[] = {
    {"no such table: ", "tabella ", " inesistente"},
    {"no such column: ", "campo ", " inesistente"},
    {"no such function: ", "funzione ", " inesistente"},
    {"ambiguous column name: ", "nome di campo ambiguo: ", ""},
    {"UNIQUE constraint failed: ", "valore già presente in ", ""},
    {"NOT NULL constraint failed: ", "valore mancante in ", ""},
};

}  // namespace

DbError::DbError(std::string file, std::string sql, std::string cause)
    : std::runtime_error(message(file, cause)),
      file_(std::move(file)),
      sql_(std::move(sql)),
      cause_(std::move(cause)) {}

std::string systemCause(int err) {
    switch (err) {
        case ENOENT:
            return "file o cartella inesistente";
        case EACCES:
        case EPERM:
            return "permesso negato";
        case ENOSPC:
        case EDQUOT:
            return "disco pieno";
        case EROFS:
            return "disco di sola lettura";
        case ENOTDIR:
            return "un elemento del percorso non è una cartella";
        case EISDIR:
            return "è una cartella";
        case EIO:
            return "errore di lettura o scrittura sul disco";
        case ENOMEM:
            return "memoria insufficiente";
        case EMFILE:
        case ENFILE:
            return "troppi file aperti";
        default:
            return "errore di sistema " + std::to_string(err) + " (" + std::strerror(err) + ")";
    }
}

std::string sqliteCause(int rc, const char* message) {
    const std::string_view said = message ? message : "";
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "database bloccato da un altro programma";
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return "il file non è un database o è danneggiato";
        case SQLITE_IOERR:
            return "errore di lettura o scrittura sul disco";
        case SQLITE_READONLY:
            return "il file è di sola lettura";
        case SQLITE_FULL:
            return "disco pieno";
        case SQLITE_CANTOPEN:
            return "impossibile aprire il file";
        case SQLITE_PERM:
            return "permesso negato";
        case SQLITE_NOMEM:
            return "memoria insufficiente";
        default:
            break;
    }
    for (const Pattern& p : kPatterns)
        if (said.substr(0, p.english.size()) == p.english)
            return std::string(p.before) + std::string(said.substr(p.english.size())) +
                   std::string(p.after);
    if (said.substr(0, 6) == "near \"") {
        std::size_t end = said.find("\": syntax error");
        if (end != std::string_view::npos)
            return "errore di sintassi vicino a \"" + std::string(said.substr(6, end - 6)) + "\"";
    }
    if (said.empty() || said == "not an error")
        return "errore del database (codice " + std::to_string(rc) + ")";
    return "errore del database: " + std::string(said);
}

}  // namespace corvex::db
