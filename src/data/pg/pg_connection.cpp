#include "data/pg/pg_connection.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <utility>

#include "common/text.h"
#include "data/engine/error.h"

namespace corvex::pg {

namespace {

std::string trimmed(std::string_view s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return std::string(s);
}

bool contains(std::string_view hay, std::string_view needle) {
    return hay.find(needle) != std::string_view::npos;
}

// Server messages are shown with their English detail after an Italian head.
struct Pattern {
    std::string_view english;
    std::string_view italian;
};

constexpr Pattern kConnectPatterns[] = {
    {"invalid URI", "indirizzo del server non valido"},
    {"in URI", "indirizzo del server non valido"},
    {"invalid connection option", "indirizzo del server non valido"},
    {"missing \"=\"", "indirizzo del server non valido"},
    {"invalid integer value", "indirizzo del server non valido"},
    {"invalid sslmode", "indirizzo del server non valido"},
    {"unterminated quoted string", "indirizzo del server non valido"},
    {"could not translate host name", "server sconosciuto"},
    {"Connection refused", "server non raggiungibile"},
    {"No such file or directory", "server non raggiungibile"},
    {"timeout expired", "server non raggiungibile (tempo scaduto)"},
    {"No route to host", "server non raggiungibile"},
    {"Network is unreachable", "server non raggiungibile"},
    {"password authentication failed", "autenticazione non riuscita"},
    {"no password supplied", "password mancante (PGPASSWORD o PGPASSFILE)"},
    {"pg_hba.conf", "accesso non consentito dal server"},
    {"does not exist", "database o utente inesistente"},
};

constexpr Pattern kServerPatterns[] = {
    {"permission denied", "permesso negato dal server"},
    {"does not exist", "oggetto inesistente sul server"},
    {"deadlock detected", "blocco reciproco con un'altra sessione"},
    {"lock timeout", "tabella bloccata da un'altra sessione"},
    {"canceling statement due to statement timeout", "tempo scaduto sul server"},
    {"could not serialize", "dati cambiati da un'altra sessione"},
    {"server closed the connection", "collegamento con il server interrotto"},
    {"no connection to the server", "collegamento con il server interrotto"},
    {"invalid input syntax", "valore non valido per il server"},
    {"out of range", "valore fuori dall'intervallo ammesso dal server"},
    {"invalid byte sequence", "testo non valido per il server"},
    {"disk full", "disco del server pieno"},
    {"No space left", "disco del server pieno"},
};

void replaceAll(std::string& s, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    for (std::size_t at = s.find(from); at != std::string::npos;
         at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
    }
}

std::string connectCause(std::string_view message) {
    const std::string detail = trimmed(message);
    for (const Pattern& p : kConnectPatterns) {
        if (contains(detail, p.english)) return std::string(p.italian) + " (" + detail + ")";
    }
    return "collegamento al server non riuscito (" + detail + ")";
}

}  // namespace

// ------------------------------------------------------------------ Result

Result::~Result() {
    if (r_ != nullptr) PQclear(r_);
}

Result& Result::operator=(Result&& o) noexcept {
    if (this != &o) {
        if (r_ != nullptr) PQclear(r_);
        r_ = std::exchange(o.r_, nullptr);
    }
    return *this;
}

int Result::rows() const {
    return r_ == nullptr ? 0 : PQntuples(r_);
}

int Result::columns() const {
    return r_ == nullptr ? 0 : PQnfields(r_);
}

bool Result::isNull(int row, int column) const {
    return PQgetisnull(r_, row, column) != 0;
}

std::string_view Result::value(int row, int column) const {
    return {PQgetvalue(r_, row, column), static_cast<std::size_t>(PQgetlength(r_, row, column))};
}

std::string Result::affected() const {
    return r_ == nullptr ? std::string() : std::string(PQcmdTuples(r_));
}

// -------------------------------------------------------------- Connection

Connection::Connection(const std::string& url)
    : shown_(urlWithoutPassword(url)), secrets_(passwordsIn(url)) {
    secrets_.insert(secrets_.begin(), url);
    if (trimmed(url).empty()) fail("", "indirizzo del server mancante");
    // Keywords before the URL are defaults it may override (the timeout
    // unless PGCONNECT_TIMEOUT is set); the client encoding comes after it,
    // so nothing overrides that.
    std::vector<const char*> keys = {"fallback_application_name"}, values = {"corvex"};
    if (std::getenv("PGCONNECT_TIMEOUT") == nullptr) {
        keys.push_back("connect_timeout");
        values.push_back("10");
    }
    keys.insert(keys.end(), {"dbname", "client_encoding", nullptr});
    values.insert(values.end(), {url.c_str(), "UTF8", nullptr});
    conn_ = PQconnectdbParams(keys.data(), values.data(), 1);
    if (conn_ == nullptr) fail("", "memoria insufficiente per il collegamento al server");
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string cause = connectCause(PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
        fail("", cause);
    }
    // Notices (e.g. "schema already exists, skipping") are not for the user.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
}

Connection::~Connection() {
    if (conn_ != nullptr) PQfinish(conn_);
}

Connection::Connection(Connection&& o) noexcept
    : conn_(std::exchange(o.conn_, nullptr)),
      shown_(std::move(o.shown_)),
      secrets_(std::move(o.secrets_)),
      copySql_(std::move(o.copySql_)) {}

void Connection::fail(const std::string& sql, const std::string& cause) const {
    // libpq repeats a URL it cannot parse: never show its password.
    std::string shown = cause;
    replaceAll(shown, secrets_.front(), shown_);
    for (std::size_t i = 1; i < secrets_.size(); ++i) replaceAll(shown, secrets_[i], "***");
    throw db::DbError(utf8ToCp1252(shown_), utf8ToCp1252(sql), shown);
}

void Connection::check(Result& r, const std::string& sql, bool copy) const {
    const ExecStatusType st = r.get() == nullptr ? PGRES_FATAL_ERROR : PQresultStatus(r.get());
    if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK || (copy && st == PGRES_COPY_IN)) return;
    const char* msg = r.get() != nullptr ? PQresultErrorMessage(r.get()) : PQerrorMessage(conn_);
    fail(sql, serverCause(msg != nullptr && *msg != '\0' ? msg : PQerrorMessage(conn_)));
}

Result Connection::exec(const std::string& sql) {
    Result r(PQexec(conn_, sql.c_str()));
    check(r, sql);
    return r;
}

Result Connection::execParams(const std::string& sql,
                              const std::vector<std::optional<std::string>>& params) {
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params) values.push_back(p ? p->c_str() : nullptr);
    Result r(PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                          values.data(), nullptr, nullptr, 0));
    check(r, sql);
    return r;
}

void Connection::copyIn(const std::string& sql) {
    Result r(PQexec(conn_, sql.c_str()));
    check(r, sql, true);
    if (PQresultStatus(r.get()) != PGRES_COPY_IN) fail(sql, "il server non ha avviato la copia");
    copySql_ = sql;
}

void Connection::putCopyData(std::string_view bytes) {
    if (bytes.empty()) return;
    if (PQputCopyData(conn_, bytes.data(), static_cast<int>(bytes.size())) != 1) {
        fail(copySql_, serverCause(PQerrorMessage(conn_)));
    }
}

void Connection::endCopy() {
    const std::string sql = std::exchange(copySql_, std::string());
    if (PQputCopyEnd(conn_, nullptr) != 1) fail(sql, serverCause(PQerrorMessage(conn_)));
    // The COPY's outcome, then nothing more.
    Result r(PQgetResult(conn_));
    while (PGresult* extra = PQgetResult(conn_)) PQclear(extra);
    check(r, sql);
}

void Connection::abortCopy(const std::string& why) {
    copySql_.clear();
    if (PQputCopyEnd(conn_, why.c_str()) != 1) return;
    while (PGresult* r = PQgetResult(conn_)) PQclear(r);
}

// --------------------------------------------------------------- helpers

std::string quoteIdent(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string quoteLiteral(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + '\'';
}

namespace {

// Drops "password=..." items from a separator-delimited list (the URI's
// query with '&', the key/value form with blanks).
std::string dropPasswordItems(std::string_view list, char sep) {
    std::string out;
    std::size_t i = 0;
    while (i <= list.size()) {
        std::size_t end = i;
        if (sep == ' ') {
            // A key/value item may hold a quoted value with blanks.
            bool quoted = false;
            while (end < list.size() && (quoted || list[end] != ' ')) {
                if (list[end] == '\\' && end + 1 < list.size()) {
                    ++end;
                } else if (list[end] == '\'') {
                    quoted = !quoted;
                }
                ++end;
            }
        } else {
            end = list.find(sep, i);
            if (end == std::string_view::npos) end = list.size();
        }
        std::string_view item = list.substr(i, end - i);
        std::string_view key = item.substr(0, item.find('='));
        while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
        if (key != "password" && !item.empty()) {
            if (!out.empty()) out += sep;
            out += item;
        }
        i = end + 1;
    }
    return out;
}

}  // namespace

// The key/value form rebuilt from what libpq reads in it, password left out.
static std::string keyValuesWithoutPassword(std::string_view text) {
    PQconninfoOption* options = PQconninfoParse(std::string(text).c_str(), nullptr);
    if (options == nullptr) return dropPasswordItems(text, ' ');
    std::string out;
    for (PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
        if (o->val == nullptr || std::string_view(o->keyword) == "password") continue;
        if (!out.empty()) out += ' ';
        out += std::string(o->keyword) + "=";
        const std::string_view v = o->val;
        if (v.empty() || v.find_first_of(" '\\") != std::string_view::npos) {
            out += '\'';
            for (char c : v) {
                if (c == '\'' || c == '\\') out += '\\';
                out += c;
            }
            out += '\'';
        } else {
            out += v;
        }
    }
    PQconninfoFree(options);
    return out;
}

std::vector<std::string> passwordsIn(std::string_view url) {
    std::vector<std::string> out;
    const std::size_t scheme = url.find("://");
    if (scheme != std::string_view::npos) {
        std::string_view rest = url.substr(scheme + 3);
        rest = rest.substr(0, rest.find_first_of("/?"));
        const std::size_t at = rest.rfind('@');
        if (at != std::string_view::npos) {
            const std::size_t colon = rest.substr(0, at).find(':');
            if (colon != std::string_view::npos)
                out.emplace_back(rest.substr(colon + 1, at - colon - 1));
        }
    }
    // "password=..." anywhere: a query item or a key/value item.
    for (std::size_t at = url.find("password"); at != std::string_view::npos;
         at = url.find("password", at + 1)) {
        std::size_t i = at + 8;
        while (i < url.size() && url[i] == ' ') ++i;
        if (i >= url.size() || url[i] != '=') continue;
        ++i;
        while (i < url.size() && url[i] == ' ') ++i;
        std::size_t end = i;
        if (i < url.size() && url[i] == '\'') {
            end = url.find('\'', i + 1);
            if (end == std::string_view::npos) end = url.size();
            ++i;
        } else {
            while (end < url.size() && url[end] != ' ' && url[end] != '&') ++end;
        }
        out.emplace_back(url.substr(i, end - i));
    }
    std::erase_if(out, [](const std::string& p) { return p.empty(); });
    return out;
}

std::string urlWithoutPassword(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) return keyValuesWithoutPassword(url);
    std::string out(url.substr(0, scheme + 3));
    std::string_view rest = url.substr(scheme + 3);
    const std::size_t q = rest.find('?');
    std::string_view authorityPath = rest.substr(0, q);
    const std::size_t at = authorityPath.rfind('@');
    const std::size_t slash = authorityPath.find('/');
    if (at != std::string_view::npos && (slash == std::string_view::npos || at < slash)) {
        std::string_view userinfo = authorityPath.substr(0, at);
        out += userinfo.substr(0, userinfo.find(':'));
        out += authorityPath.substr(at);
    } else {
        out += authorityPath;
    }
    if (q != std::string_view::npos) {
        const std::string query = dropPasswordItems(rest.substr(q + 1), '&');
        if (!query.empty()) out += "?" + query;
    }
    return out;
}

std::string serverCause(std::string_view message) {
    std::string detail = trimmed(message);
    if (detail.rfind("ERROR:  ", 0) == 0) detail.erase(0, 8);
    for (const Pattern& p : kServerPatterns) {
        if (contains(detail, p.english)) return std::string(p.italian) + " (" + detail + ")";
    }
    return "errore del server (" + detail + ")";
}

}  // namespace corvex::pg
