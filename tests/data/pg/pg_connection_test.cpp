#include "data/pg/pg_connection.h"

#include <gtest/gtest.h>

#include "data/engine/error.h"
#include "data/pg/property.h"
#include "support/pg_cluster.h"

namespace corvex::pg {
namespace {

TEST(PgConnection, CopiesRowsIntoATableAndReadsThemBack) {
    test::PgCluster* cluster = test::PgCluster::shared();
    if (cluster == nullptr) GTEST_SKIP() << test::PgCluster::unavailable();
    Connection c(cluster->createDatabase("conn_copy"));
    c.exec("CREATE TABLE " + quoteIdent("Quantità") + " (n bigint, " + quoteIdent("Testo") +
           " text)");
    c.copyIn("COPY " + quoteIdent("Quantità") + " FROM STDIN");
    c.putCopyData("1\tuno\n2\t");
    c.putCopyData("\\N\n3\tcaff\xc3\xa8\n");
    c.endCopy();
    Result r = c.exec("SELECT n, \"Testo\" FROM \"Quantità\" ORDER BY n");
    ASSERT_EQ(r.rows(), 3);
    EXPECT_TRUE(r.isNull(1, 1));
    EXPECT_EQ(r.value(2, 1), "caff\xc3\xa8");
    EXPECT_EQ(c.execParams("SELECT count(*) FROM \"Quantità\" WHERE n > $1", {"1"}).value(0, 0),
              "2");

    // Bad data ends the COPY with the server's reason; the connection goes on.
    c.copyIn("COPY \"Quantità\" FROM STDIN");
    c.putCopyData("x\ty\n");
    EXPECT_THROW(c.endCopy(), db::DbError);
    EXPECT_EQ(c.exec("SELECT 1").value(0, 0), "1");
}

TEST(PgConnection, RefusalsNameTheServerWithoutItsPassword) {
    const struct {
        const char* url;
        const char* cause;
    } rows[] = {
        {"postgresql://u:segreto@[::1", "indirizzo del server non valido"},
        {"postgresql://u:segreto@/db?host=/nonexistent/dir", "server non raggiungibile"},
        {"host=/nonexistent/dir password='se greto' dbname=x", "server non raggiungibile"},
        {"", "indirizzo del server mancante"},
    };
    for (const auto& row : rows) {
        try {
            Connection c(row.url);
            ADD_FAILURE() << row.url;
        } catch (const db::DbError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(row.cause), std::string::npos) << what;
            EXPECT_EQ(what.find("greto"), std::string::npos) << what;
        }
    }
}

TEST(PgNames, PasswordsLeaveUrlsAndPropertyNamesAreIdentifiers) {
    EXPECT_EQ(
        urlWithoutPassword("postgresql://ann:x@y@db.example:5433/hotel?password=z&sslmode=require"),
        "postgresql://ann@db.example:5433/hotel?sslmode=require");
    EXPECT_EQ(urlWithoutPassword("host=h password = 'a b' user=u"), "user=u host=h");
    EXPECT_EQ(quoteIdent("a\"b"), "\"a\"\"b\"");
    for (const char* ok : {"a", "hotel_mare", "h2", "abcdefghijabcdefghijabcdefghij1"}) {
        EXPECT_TRUE(validPropertyName(ok)) << ok;
    }
    for (const char* bad :
         {"", "2h", "Hotel", "hotel-mare", "h;drop", "_h", "abcdefghijabcdefghijabcdefghij12"}) {
        EXPECT_FALSE(validPropertyName(bad)) << bad;
    }
    EXPECT_EQ(schemaName("mare"), "corvex_mare");
}

}  // namespace
}  // namespace corvex::pg
