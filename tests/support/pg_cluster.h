// Test support: a throw-away PostgreSQL server of the test binary's own, on a
// Unix socket in a temporary folder, listening on no TCP port. It starts on
// first use (initdb + pg_ctl, as the `postgres` user when the tests run as
// root, since the server refuses to run as root) and is stopped and removed
// when the binary exits.
#pragma once

#include <memory>
#include <string>

namespace corvex::test {

class PgCluster {
  public:
    // The binary's server, started on first call; nullptr when it cannot be
    // started (no server binaries, ...): unavailable() says why, for
    // GTEST_SKIP() << PgCluster::unavailable().
    static PgCluster* shared();
    static const std::string& unavailable();

    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // postgresql:///DB?host=SOCKETDIR&user=postgres ("corvex" is created at start).
    std::string url(const std::string& database = "corvex") const;
    // Creates (or empties, by dropping and creating) a database; its URL.
    std::string createDatabase(const std::string& name);
    const std::string& socketDir() const { return dir_; }

  private:
    PgCluster() = default;
    bool start(std::string& why);

    std::string dir_;     // the temporary folder: data/, the socket, log
    std::string bindir_;  // initdb, pg_ctl
    bool asServerUser_ = false;
    bool running_ = false;
};

}  // namespace corvex::test
