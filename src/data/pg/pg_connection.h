// A connection to a PostgreSQL server through libpq, for the sync and for
// reports read from a server. Every failure is a db::DbError whose cause is
// Italian UTF-8; the server's address appears in it without its password.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace corvex::pg {

// One PGresult, cleared on destruction.
class Result {
  public:
    Result() = default;
    explicit Result(pg_result* r) : r_(r) {}
    ~Result();
    Result(Result&& o) noexcept : r_(o.r_) { o.r_ = nullptr; }
    Result& operator=(Result&& o) noexcept;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    pg_result* get() const { return r_; }
    int rows() const;
    int columns() const;
    bool isNull(int row, int column) const;
    // The value as the server sent it (text format unless asked otherwise).
    std::string_view value(int row, int column) const;
    // The number of rows a command touched ("" for a query).
    std::string affected() const;

  private:
    pg_result* r_ = nullptr;
};

// One open connection. The client encoding is UTF8 whatever the server or
// the URL says.
class Connection {
  public:
    // `url` as libpq takes it: "postgresql://user@host:5432/db?sslmode=require",
    // "postgresql:///db?host=/run/postgresql", or "host=... dbname=...".
    // Passwords come from the URL, PGPASSWORD or PGPASSFILE.
    explicit Connection(const std::string& url);
    ~Connection();
    Connection(Connection&& o) noexcept;
    Connection& operator=(Connection&&) = delete;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs one or more statements; throws DbError when the server refuses.
    Result exec(const std::string& sql);
    // One statement with text parameters ($1, $2, ...; nullopt is NULL).
    Result execParams(const std::string& sql,
                      const std::vector<std::optional<std::string>>& params);

    // COPY ... FROM STDIN: start it, send bytes in any pieces, then end it
    // (which throws when the server rejected the data). abortCopy() ends a
    // COPY that the caller gives up, so the connection can go on.
    void copyIn(const std::string& sql);
    void putCopyData(std::string_view bytes);
    void endCopy();
    void abortCopy(const std::string& why);

    // The address as it may be shown: without its password.
    const std::string& shownUrl() const { return shown_; }
    pg_conn* raw() const { return conn_; }

  private:
    [[noreturn]] void fail(const std::string& sql, const std::string& cause) const;
    void check(Result& r, const std::string& sql, bool copyIn = false) const;

    pg_conn* conn_ = nullptr;
    std::string shown_;
    std::vector<std::string> secrets_;  // the URL as given, then any password in it
    std::string copySql_;
};

// "Nome" -> "\"Nome\"", inner quotes doubled: an identifier as the server
// keeps it, case and all.
std::string quoteIdent(std::string_view name);
// 'text' with inner quotes doubled (standard_conforming_strings is on).
std::string quoteLiteral(std::string_view text);
// The URL with any password taken out (user:secret@ -> user@,
// password=secret dropped from the query or the key=value list).
std::string urlWithoutPassword(std::string_view url);
// The passwords a URL holds (user:secret@, password=secret), to keep them out
// of messages.
std::vector<std::string> passwordsIn(std::string_view url);
// The server's English error text as an Italian cause that keeps the detail.
std::string serverCause(std::string_view message);

}  // namespace corvex::pg
