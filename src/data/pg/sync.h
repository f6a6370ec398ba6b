// `corvex sync`: copies a property's data folder (the current directory) into
// its schema on a PostgreSQL server, so reports can run on the server.
//
// What goes: every table of the suite files the reports read (SQLite files
// directly, genuine Jet files through the engine's cached copy), IdS.mdb and
// IdSDichiarazioni.mdb, the archives (SchedaStoricoClienti.mdb,
// ContoStoricoClienti.mdb, Dettaglio.mdb) where the archive rule puts them,
// and the text files the reports read. Only files whose signature (size,
// times, inode) changed since the last sync are read and sent; the whole
// property is replaced in one transaction, so readers see the old data or
// the new one. Any failure rolls the transaction back.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvex::pg {

// A sync that failed: the file and table being sent (either may be empty)
// and the cause; what() is the whole Italian UTF-8 message.
class SyncError : public std::runtime_error {
  public:
    SyncError(std::string file, std::string table, const std::string& cause);
    const std::string& file() const { return file_; }
    const std::string& table() const { return table_; }

  private:
    std::string file_, table_;  // UTF-8
};

struct SyncOptions {
    std::string url;       // as libpq takes it
    std::string property;  // validPropertyName()
    // One line (UTF-8) per file sent, while the sync runs.
    std::function<void(const std::string&)> progress;
};

struct SyncSummary {
    std::int64_t generation = 0;  // the property's sync count, this one included
    int filesSent = 0;            // databases read and sent
    int filesUnchanged = 0;       // databases left as they were on the server
    int tablesSent = 0;
    std::int64_t rowsSent = 0;
    int textFilesSent = 0;
    int removed = 0;  // tables and text files gone from the folder, dropped
};

// Syncs the current directory. Throws db::DbError for the connection (bad
// URL, unreachable server, refused login), SyncError for everything after it,
// std::invalid_argument for a property name that is not valid.
SyncSummary syncFolder(const SyncOptions& options);

// The databases a sync reads, as paths the engine opens (data folder names,
// or the archive rule's path); missing ones left out.
std::vector<std::string> syncedDatabases();
// The text files the reports read from the data folder.
const std::vector<std::string>& syncedTextFiles();

// The server column type of a declared SQLite/Jet column type.
std::string serverType(const std::string& declared);

}  // namespace corvex::pg
