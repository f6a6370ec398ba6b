// Reports on a server: a property's data read from its schema instead of the
// data folder.
//
// While a server is chosen (chooseServer) and a report run is open (the
// outermost db::SnapshotScope), every database a report opens maps to the
// property's tables and every text file it reads comes from the server's copy
// of the folder. The run holds one connection in one REPEATABLE READ READ ONLY
// transaction, so it sees one sync from start to end. Outputs (report file,
// CSV, PDF, SchClienti.mdb, trace) stay in the current directory; nothing is
// ever written to the server.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/engine/recordset.h"
#include "data/engine/sql_translate.h"
#include "data/pg/pg_connection.h"

namespace corvex::db {

struct ServerChoice {
    std::string url;       // as libpq takes it
    std::string property;  // e.g. "hotel_mare"
    // A group filing's properties, the first being `property` (several
    // structures of one municipality in one declaration); empty otherwise.
    std::vector<std::string> group;
};

// The server the report runs of this process read from (nullopt: the folder).
void chooseServer(std::optional<ServerChoice> choice);
const std::optional<ServerChoice>& chosenServer();
// CORVEX_DB and CORVEX_PROPERTY, when set.
std::optional<ServerChoice> serverFromEnvironment();

// Whether a database file is there to open: on the server during a run that
// reads from one, else in the folder (matched without regard to case).
bool databaseExists(const std::string& name);

// The properties of a group filing chosen for this run (at least two), else
// empty.
std::vector<std::string> groupProperties();

}  // namespace corvex::db

namespace corvex::pg {

// One report run's view of a property.
class Reader {
  public:
    // Connects, opens the transaction and reads the property's layout.
    // Throws db::DbError with an Italian cause: wrong address, server not
    // reachable, property missing, layout of another version.
    explicit Reader(const db::ServerChoice& choice);
    ~Reader();  // ends the transaction
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    struct File {
        std::string name;  // as the sync recorded it (code page 1252)
        std::map<std::string, db::sql::TableInfo> tables;  // by folded table name
    };
    // The file a report names ("Fatture.mdb", "ids.mdb", an archive path
    // relative to the folder or absolute under it), or nullptr.
    const File* file(const std::string& name) const;
    // A text file of the folder as its bytes, nullopt when the folder had none.
    std::optional<std::string> textFile(const std::string& name);

    db::Recordset select(const File& file, const std::string& sqlOrTable);
    std::string translatedSql(const File& file, const std::string& select);
    // "server/property", for messages.
    const std::string& label() const { return label_; }
    // Whether the server's texts compare in byte order by default.
    bool byteOrderText() const { return byteOrder_; }

    // A table of a file (nullptr when the file has none of that name), with
    // the stays' spans of its presence tests read on first use.
    const db::sql::TableInfo* table(const File& file, const std::string& name);

  private:
    struct Prepared {
        db::sql::Translation translation;
        std::string statement;  // the server's prepared statement, once made
    };
    void readSpans(db::sql::TableInfo& info);
    Prepared& prepare(const File& file, const db::sql::Lexed& lexed, const std::string& original);
    std::string key(const std::string& name) const;

    Connection conn_;
    std::string schema_;
    std::string folder_;  // where the sync read the folder
    std::string label_;
    std::vector<File> files_;
    std::map<std::string, std::string> texts_;  // folded name -> name on the server
    std::unordered_map<std::string, std::optional<std::string>> textCache_;
    std::unordered_map<std::string, std::unique_ptr<Prepared>> prepared_;
    std::set<std::string> spansRead_;  // physical tables
    // The spans the sync stored: physical table '\x1f' folded departure
    // column -> days (-1: unknown).
    std::map<std::string, long> storedSpans_;
    int statements_ = 0;
    bool byteOrder_ = false;
};

// The reader of the run in progress, or nullptr (no server chosen, or no run).
std::shared_ptr<Reader> activeReader();
// A report run begins / ends (the outermost db::SnapshotScope): with a server
// chosen, the first opens the run's Reader (and may throw), the last closes it.
void beginRun();
void endRun();
// Files a report writes in the current directory even on a server: the guest
// snapshot SchClienti.mdb and hidden temporary files.
bool staysLocal(const std::string& name);

// While it lives, the run reads another property of the same server (its
// own transaction); the previous one comes back at its end.
class PropertyScope {
  public:
    explicit PropertyScope(const std::string& property);
    ~PropertyScope();
    PropertyScope(const PropertyScope&) = delete;
    PropertyScope& operator=(const PropertyScope&) = delete;

  private:
    std::shared_ptr<Reader> previous_;
};

}  // namespace corvex::pg
