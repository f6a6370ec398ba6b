// Database failures read in Italian and in UTF-8, whatever SQLite said.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "data/engine/database.h"
#include "data/engine/error.h"
#include "engine_fixture.h"

namespace corvex::db {
namespace {

TEST(ErrorTest, SqliteCausesInItalianKeepTheDetail) {
    struct Row {
        int rc;
        const char* said;
        const char* cause;
    } rows[] = {
        {SQLITE_BUSY, "database is locked", "database bloccato da un altro programma"},
        {SQLITE_NOTADB, "file is not a database", "il file non è un database o è danneggiato"},
        {SQLITE_CORRUPT, "database disk image is malformed",
         "il file non è un database o è danneggiato"},
        {SQLITE_IOERR, "disk I/O error", "errore di lettura o scrittura sul disco"},
        {SQLITE_READONLY, "attempt to write a readonly database", "il file è di sola lettura"},
        {SQLITE_FULL, "database or disk is full", "disco pieno"},
        {SQLITE_CANTOPEN, "unable to open database file", "impossibile aprire il file"},
        {SQLITE_ERROR, "no such table: Fatture", "tabella Fatture inesistente"},
        {SQLITE_ERROR, "no such column: Totale", "campo Totale inesistente"},
        {SQLITE_ERROR, "near \"Form\": syntax error", "errore di sintassi vicino a \"Form\""},
        {SQLITE_ERROR, "something new", "errore del database: something new"},
        {SQLITE_OK, "not an error", "errore del database (codice 0)"},
    };
    for (const Row& r : rows) EXPECT_EQ(sqliteCause(r.rc, r.said), r.cause) << r.said;
}

TEST(ErrorTest, MessageIsUtf8WithTheFileNameConverted) {
    // The program holds names in code page 1252 ("Città.mdb"); what() is UTF-8.
    DbError e("Citt\xE0.mdb", "", "il file è di sola lettura");
    EXPECT_STREQ(e.what(), "Città.mdb: il file è di sola lettura");
    EXPECT_EQ(e.file(), "Citt\xE0.mdb");
}

class ErrorOnFiles : public test::EngineTest {};

TEST_F(ErrorOnFiles, MissingTableAndSyntaxErrorAreItalian) {
    test::runSql("Fatture.mdb", "CREATE TABLE Fatture (NDocumento LONG)");
    auto db = Database::open("Fatture.mdb");
    for (const char* sql : {"Select * From Ricevute", "Select NDocumento Frm Fatture"}) {
        try {
            db.openRecordset(sql);
            ADD_FAILURE() << sql;
        } catch (const DbError& e) {
            EXPECT_EQ(std::string(e.what()).find("no such"), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("Fatture.mdb: ", 0), 0u) << e.what();
        }
    }
}

}  // namespace
}  // namespace corvex::db
