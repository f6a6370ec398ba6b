#include "data/pg/pg_reader.h"

#include <libpq-fe.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "common/config_files.h"
#include "common/environment.h"
#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "data/engine/recordset_impl.h"
#include "data/engine/row_set.h"
#include "data/engine/sql_lexer.h"
#include "data/engine/sql_quote.h"
#include "data/pg/pg_functions.h"
#include "data/pg/property.h"

namespace corvex::db {

namespace {

std::optional<ServerChoice>& choiceHolder() {
    static std::optional<ServerChoice> choice;
    return choice;
}

}  // namespace

void chooseServer(std::optional<ServerChoice> choice) {
    choiceHolder() = std::move(choice);
}

const std::optional<ServerChoice>& chosenServer() {
    return choiceHolder();
}

std::optional<ServerChoice> serverFromEnvironment() {
    std::string url = envValue("CORVEX_DB"), property = envValue("CORVEX_PROPERTY");
    if (url.empty() && property.empty()) return std::nullopt;
    return ServerChoice{url, property, {}};
}

bool databaseExists(const std::string& name) {
    if (auto reader = pg::activeReader(); reader && !pg::staysLocal(name))
        return reader->file(name) != nullptr;
    std::error_code ec;
    return std::filesystem::is_regular_file(resolveFileName(name), ec);
}

std::vector<std::string> groupProperties() {
    const auto& c = chosenServer();
    if (!c || c->group.size() < 2 || !pg::activeReader()) return {};
    return c->group;
}

}  // namespace corvex::db

namespace corvex::pg {

namespace fs = std::filesystem;
using db::DbError;
using db::sql::ColType;

namespace {

constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700,
              kFloat8 = 701, kNumeric = 1700, kText = 25;

const db::ServerChoice& checked(const db::ServerChoice& c) {
    if (c.url.empty()) throw DbError("", "", "manca l'indirizzo del server (--db o CORVEX_DB)");
    if (c.property.empty())
        throw DbError("", "", "manca la proprietà (--property o CORVEX_PROPERTY)");
    if (!validPropertyName(c.property))
        throw DbError("", "",
                      "nome di proprietà non valido: \"" + c.property +
                          "\" (una lettera minuscola, poi lettere minuscole, cifre o _; al "
                          "massimo 31 caratteri)");
    return c;
}

std::string folded(const std::string& cp1252) {
    return db::jet::foldCase(cp1252);
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string fromServer(std::string_view utf8) {
    return isAscii(utf8) ? std::string(utf8) : utf8ToCp1252(utf8);
}

// A bytea in the server's text form ("\x4142...") as its bytes.
std::string byteaBytes(std::string_view hex) {
    std::string out;
    if (hex.size() < 2 || hex[0] != '\\' || hex[1] != 'x') return std::string(hex);
    auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    for (std::size_t i = 2; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(nibble(hex[i]) * 16 + nibble(hex[i + 1]));
    return out;
}

bool integerOid(Oid o) {
    return o == kInt8 || o == kInt2 || o == kInt4;
}

// Appends one value the server sent in text form, of the kind the SQLite
// path gives for the column's declared type (Unknown: by the server's type).
void putValue(db::RowSet& rows, std::string_view v, ColType type, Oid oid) {
    if (oid == kBool) return rows.putInt(v == "t" ? 1 : 0);
    const bool integer = integerOid(oid);
    const bool number = integer || oid == kNumeric || oid == kFloat4 || oid == kFloat8;
    if (!number) {
        if (oid == kBytea) return rows.putText(byteaBytes(v));
        return rows.putText(fromServer(v));
    }
    const std::string text(v);
    if (type == ColType::Unknown)
        type = integer                                                  ? ColType::Integer
               : oid == kNumeric && text.find('.') == std::string::npos ? ColType::Integer
                                                                        : ColType::Double;
    switch (type) {
        case ColType::Integer: {
            if (integer) return rows.putInt(std::strtoll(text.c_str(), nullptr, 10));
            const double d = std::strtod(text.c_str(), nullptr);
            if (std::trunc(d) == d && std::fabs(d) < 9e18)
                return rows.putInt(static_cast<std::int64_t>(d));
            return rows.putDouble(d);
        }
        case ColType::Currency: {
            if (integer)
                return rows.putCurrency(Currency::whole(std::strtoll(text.c_str(), nullptr, 10)));
            if (oid == kNumeric)
                if (auto c = Currency::parse(text)) return rows.putCurrency(*c);
            return rows.putCurrency(Currency::fromDouble(std::strtod(text.c_str(), nullptr)));
        }
        case ColType::Text:
            if (integer) return rows.putText(text);
            return rows.putText(db::Value(std::strtod(text.c_str(), nullptr)).toText());
        default:
            return rows.putDouble(std::strtod(text.c_str(), nullptr));
    }
}

std::string literalText(const db::Value& v) {
    if (auto* t = v.textIf()) return cp1252ToUtf8(*t);
    if (auto* i = v.intIf()) return std::to_string(*i);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v.toDouble());
    return buf;
}

// The files a statement names, for the translator: "main" is the file the
// database was opened on, any other name a file of the property.
class Schemas : public db::sql::SchemaSource {
  public:
    Schemas(Reader& reader, const Reader::File& main) : reader_(reader), main_(main) {}
    std::string attach(const std::string& file) override {
        const Reader::File* f = reader_.file(file);
        if (!f) throw DbError(file, "", "file non trovato sul server (" + reader_.label() + ")");
        return f->name;
    }
    bool byteOrderText() const override { return reader_.byteOrderText(); }
    const db::sql::TableInfo* table(const std::string& schema, const std::string& name) override {
        const Reader::File* f = schema == "main" ? &main_ : reader_.file(schema);
        return f ? reader_.table(*f, name) : nullptr;
    }

  private:
    Reader& reader_;
    const Reader::File& main_;
};

}  // namespace

Reader::Reader(const db::ServerChoice& choice)
    : conn_(checked(choice).url), schema_(schemaName(choice.property)) {
    label_ = conn_.shownUrl() + ", proprietà " + choice.property;
    const std::string s = quoteIdent(schema_);
    try {
        conn_.exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        // Statements are prepared once per run. The server plans the first
        // executions of each for their own dates and keeps one plan for any
        // date only when it costs no more (plan_cache_mode auto, its
        // default, set in case the role or database changed it): the
        // reports' day-by-day statements then skip most of their planning.
        conn_.exec("SET plan_cache_mode = auto");
        Result collation =
            conn_.exec("SELECT datcollate FROM pg_database WHERE datname = current_database()");
        byteOrder_ = collation.rows() == 1 &&
                     (collation.value(0, 0) == "C" || collation.value(0, 0) == "POSIX");
        if (conn_.execParams("SELECT 1 FROM pg_namespace WHERE nspname = $1", {schema_}).rows() ==
            0)
            throw DbError(utf8ToCp1252(label_), "",
                          "la proprietà non è sul server (manca lo schema " + schema_ +
                              "): eseguire corvex sync nella sua cartella dati");
        Result sync = conn_.execParams(
            "SELECT to_regclass($1) IS NOT NULL, to_regclass($2) IS NOT NULL, "
            "to_regclass($3) IS NOT NULL, to_regclass($4) IS NOT NULL",
            {s + ".corvex_sync", s + ".corvex_tabelle", s + ".corvex_colonne", s + ".corvex_file"});
        bool complete = true;
        for (int i = 0; i < 4; ++i) complete = complete && sync.value(0, i) == "t";
        int version = 0;
        if (complete) {
            Result r = conn_.exec("SELECT formato, cartella FROM " + s + ".corvex_sync");
            if (r.rows() == 1) {
                version = std::atoi(std::string(r.value(0, 0)).c_str());
                if (!r.isNull(0, 1)) folder_ = std::string(r.value(0, 1));
            }
        }
        if (version != kLayoutVersion)
            throw DbError(utf8ToCp1252(label_), "",
                          "sincronizzazione di una versione precedente: rieseguire corvex sync");
        Result t = conn_.exec("SELECT t.file, t.tabella, t.nome_pg, c.colonna, c.tipo FROM " + s +
                              ".corvex_tabelle t LEFT JOIN " + s +
                              ".corvex_colonne c ON c.file = t.file AND c.tabella = t.tabella "
                              "ORDER BY t.file, t.tabella, c.posizione");
        std::map<std::string, std::size_t> byName;
        for (int row = 0; row < t.rows(); ++row) {
            std::string file = utf8ToCp1252(t.value(row, 0));
            auto [it, added] = byName.emplace(folded(file), files_.size());
            if (added) files_.push_back({file, {}});
            File& f = files_[it->second];
            std::string table = utf8ToCp1252(t.value(row, 1));
            auto& info = f.tables[folded(table)];
            if (info.name.empty()) {
                info.name = table;
                info.physical = s + "." + quoteIdent(t.value(row, 2));
            }
            if (!t.isNull(row, 3))
                info.columns.push_back(
                    {utf8ToCp1252(t.value(row, 3)),
                     db::sql::typeOfDeclared(t.isNull(row, 4) ? "" : t.value(row, 4))});
        }
        if (conn_.execParams("SELECT to_regclass($1) IS NOT NULL", {s + ".corvex_intervalli"})
                .value(0, 0) == "t") {
            Result spans =
                conn_.exec("SELECT nome_pg, colonna, giorni FROM " + s + ".corvex_intervalli");
            for (int row = 0; row < spans.rows(); ++row)
                storedSpans_.emplace(s + "." + quoteIdent(spans.value(row, 0)) + '\x1f' +
                                         folded(utf8ToCp1252(spans.value(row, 1))),
                                     std::atol(std::string(spans.value(row, 2)).c_str()));
        }
        // Text columns the sync found plain throughout (absent from older syncs).
        if (conn_.execParams("SELECT to_regclass($1) IS NOT NULL", {s + ".corvex_piane"})
                .value(0, 0) == "t") {
            std::set<std::string> plain;
            Result r = conn_.exec("SELECT nome_pg, colonna FROM " + s + ".corvex_piane");
            for (int row = 0; row < r.rows(); ++row)
                plain.insert(s + "." + quoteIdent(r.value(row, 0)) + '\x1f' +
                             folded(utf8ToCp1252(r.value(row, 1))));
            for (File& f : files_)
                for (auto& [name, info] : f.tables)
                    for (auto& c : info.columns)
                        c.plain = plain.count(info.physical + '\x1f' + folded(c.name)) > 0;
        }
        Result names = conn_.exec("SELECT nome FROM " + s + ".corvex_file");
        for (int row = 0; row < names.rows(); ++row) {
            std::string name(names.value(row, 0));
            texts_.emplace(folded(utf8ToCp1252(name)), name);
        }
    } catch (const DbError& e) {
        if (!e.file().empty() && e.file() != utf8ToCp1252(conn_.shownUrl())) throw;
        throw DbError(utf8ToCp1252(label_), e.sql(), e.cause());
    }
}

Reader::~Reader() {
    try {
        conn_.exec("COMMIT");
    } catch (...) {
        // The connection closes anyway; a read-only transaction loses nothing.
    }
}

std::string Reader::key(const std::string& name) const {
    std::string n = name;
    for (char& c : n)
        if (c == '\\') c = '/';
    fs::path p = fs::path(n).lexically_normal();
    if (p.is_absolute()) {
        std::error_code ec;
        for (const fs::path& base : {fs::path(folder_), fs::current_path(ec)}) {
            if (base.empty()) continue;
            fs::path rel = p.lexically_relative(base.lexically_normal());
            if (!rel.empty() && *rel.begin() != "..") return rel.generic_string();
        }
        return p.generic_string();
    }
    std::string out = p.generic_string();
    while (out.rfind("./", 0) == 0) out.erase(0, 2);
    return out;
}

const Reader::File* Reader::file(const std::string& name) const {
    const std::string k = folded(key(name));
    for (const File& f : files_)
        if (folded(f.name) == k) return &f;
    return nullptr;
}

std::optional<std::string> Reader::textFile(const std::string& name) {
    auto it = texts_.find(folded(key(name)));
    if (it == texts_.end()) return std::nullopt;
    auto cached = textCache_.find(it->second);
    if (cached != textCache_.end()) return cached->second;
    Result r = conn_.execParams(
        "SELECT contenuto FROM " + quoteIdent(schema_) + ".corvex_file WHERE nome = $1",
        {it->second});
    std::optional<std::string> content;
    if (r.rows() == 1 && !r.isNull(0, 0)) content = byteaBytes(r.value(0, 0));
    textCache_.emplace(it->second, content);
    return content;
}

Reader::Prepared& Reader::prepare(const File& file, const db::sql::Lexed& lexed,
                                  const std::string& original) {
    // The translation depends on the statement's shape and on the classes
    // of its literals' values.
    std::string k = file.name + '\x1f' + lexed.shape + '\x1f';
    for (const auto& v : lexed.literals) k += db::sql::literalClass(v);
    auto it = prepared_.find(k);
    if (it != prepared_.end()) return *it->second;
    auto p = std::make_unique<Prepared>();
    try {
        Schemas schemas(*this, file);
        auto select = db::sql::parseSelect(lexed);
        p->translation =
            db::sql::translate(*select, lexed.literals, schemas, false, db::sql::Dialect::Postgres);
    } catch (const DbError& e) {
        throw DbError(e.file().empty() ? file.name : e.file(), original, e.cause());
    }
    return *prepared_.emplace(k, std::move(p)).first->second;
}

namespace {

db::sql::Lexed lexSelect(const std::string& shown, const std::string& sqlOrTable) {
    db::sql::Lexed lexed;
    try {
        lexed = db::sql::lex(sqlOrTable);
        if (!db::sql::isSelect(lexed)) {
            const auto& t = lexed.tokens;
            bool bareName = t.size() == 2 && (t[0].kind == db::sql::Token::Kind::Ident ||
                                              t[0].kind == db::sql::Token::Kind::QuotedIdent);
            if (!bareName)
                throw DbError("", "",
                              "un recordset si apre su una SELECT o sul nome di una tabella");
            lexed = db::sql::lex("SELECT * FROM [" + t[0].text + "]");
        }
    } catch (const DbError& e) {
        throw DbError(shown, sqlOrTable, e.cause());
    }
    return lexed;
}

}  // namespace

std::string Reader::translatedSql(const File& file, const std::string& select) {
    return prepare(file, lexSelect(file.name, select), select).translation.sql;
}

const db::sql::TableInfo* Reader::table(const File& f, const std::string& name) {
    auto it = f.tables.find(folded(name));
    if (it == f.tables.end()) return nullptr;
    // The files are this reader's own: only the spans are filled in later.
    auto& info = const_cast<db::sql::TableInfo&>(it->second);
    if (spansRead_.insert(info.physical).second) readSpans(info);
    return &info;
}

// Per departure column, the longest stay in days over the rows whose
// departure comes after their arrival (in byte order, as the translation's
// bound needs); a row among them without real dates leaves it unknown. The
// sync stores the figure with each table it sends; a table sent by a sync
// that did not has it worked out here (a full pass over the table).
void Reader::readSpans(db::sql::TableInfo& info) {
    const db::sql::ColumnInfo* arrival = info.column("DataArrivo");
    if (!arrival) return;
    for (const char* d : {"DataPartenza", "DataPartenzaReale"}) {
        const db::sql::ColumnInfo* departure = info.column(d);
        if (!departure) continue;
        long span = -1;
        auto stored = storedSpans_.find(info.physical + '\x1f' + folded(departure->name));
        if (stored != storedSpans_.end()) {
            span = stored->second;
        } else {
            Result r = conn_.exec(longestStaySql(info.physical, db::sqliteName(arrival->name),
                                                 db::sqliteName(departure->name)));
            if (r.rows() == 1) span = std::atol(std::string(r.value(0, 0)).c_str());
        }
        if (span >= 0) info.spans[folded(departure->name)] = span;
    }
}

db::Recordset Reader::select(const File& file, const std::string& sqlOrTable) {
    db::sql::Lexed lexed = lexSelect(file.name, sqlOrTable);
    Prepared& p = prepare(file, lexed, sqlOrTable);
    const auto& tr = p.translation;
    std::vector<std::string> texts;
    std::vector<const char*> values;
    texts.reserve(lexed.literals.size() + tr.derived.size());
    for (const auto& v : lexed.literals) texts.push_back(v.isNull() ? "" : literalText(v));
    for (const auto& d : tr.derived) {
        const std::string& t = *lexed.literals[static_cast<std::size_t>(d.param)].textIf();
        if (d.kind == 'd') {
            const auto day = db::jet::dayNumber(t);
            texts.push_back(day ? db::jet::dateText(*day - d.days) : std::string());
        } else if (d.kind == 'l') {
            std::string pattern = "%";
            for (char c : cp1252ToUtf8(t)) {
                if (c == '%' || c == '_' || c == '\\') pattern += '\\';
                pattern += c;
            }
            texts.push_back(pattern + "%");
        } else {
            texts.push_back(d.kind == 'k' ? sortKey(t) : foldedText(t));
        }
    }
    for (std::size_t i = 0; i < texts.size(); ++i)
        values.push_back(
            i < lexed.literals.size() && lexed.literals[i].isNull() ? nullptr : texts[i].c_str());
    // Each statement is parsed and planned once per run: the reports send
    // the same few statements day after day with other dates.
    if (p.statement.empty()) {
        std::string name = "s" + std::to_string(++statements_);
        // Every parameter goes as text; the statement casts each to its kind
        // (a literal only its folded form or sort key stands for is unused).
        const std::vector<Oid> types(values.size(), kText);
        Result made(PQprepare(conn_.raw(), name.c_str(), tr.sql.c_str(),
                              static_cast<int>(values.size()), types.data()));
        if (PQresultStatus(made.get()) != PGRES_COMMAND_OK)
            throw DbError(file.name, sqlOrTable, serverCause(PQresultErrorMessage(made.get())));
        p.statement = name;
    }
    Result r(PQexecPrepared(conn_.raw(), p.statement.c_str(), static_cast<int>(values.size()),
                            values.data(), nullptr, nullptr, 0));
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        throw DbError(file.name, sqlOrTable, serverCause(PQresultErrorMessage(r.get())));
    const int columns = r.columns();
    std::vector<std::string> names;
    std::vector<ColType> types;
    std::vector<Oid> oids;
    for (int i = 0; i < columns; ++i) {
        names.push_back(utf8ToCp1252(PQfname(r.get(), i)));
        oids.push_back(PQftype(r.get(), i));
        types.push_back(tr.columnTypes.size() == static_cast<std::size_t>(columns)
                            ? tr.columnTypes[static_cast<std::size_t>(i)]
                            : ColType::Unknown);
    }
    db::RowSet rows(static_cast<std::size_t>(columns));
    const int count = r.rows();
    for (int row = 0; row < count; ++row) {
        rows.beginRow();
        for (int i = 0; i < columns; ++i) {
            if (r.isNull(row, i)) {
                rows.putNull();
                continue;
            }
            try {
                putValue(rows, r.value(row, i), types[static_cast<std::size_t>(i)],
                         oids[static_cast<std::size_t>(i)]);
            } catch (const CurrencyOverflow& e) {
                throw DbError(file.name, sqlOrTable,
                              "tabella " + cp1252ToUtf8(tr.table) + ", riga " +
                                  std::to_string(row + 1) + ", campo " +
                                  cp1252ToUtf8(names[static_cast<std::size_t>(i)]) + ": " +
                                  e.what());
            }
        }
    }
    return db::recordsetOfRows(file.name, tr.table, std::move(names), std::move(rows));
}

namespace {

struct Run {
    std::mutex mutex;
    int depth = 0;
    std::shared_ptr<Reader> reader;
};

Run& run() {
    static auto* r = new Run;  // never destroyed: usable until exit
    return *r;
}

std::optional<std::string> readFromServer(const std::string& name) {
    auto reader = activeReader();
    if (!reader) return std::nullopt;
    return reader->textFile(name);
}

}  // namespace

bool staysLocal(const std::string& name) {
    std::string n = name;
    for (char& c : n)
        if (c == '\\') c = '/';
    const std::string base = fs::path(n).filename().string();
    return base.empty() || base[0] == '.' || db::jet::equalNoCase(base, "SchClienti.mdb");
}

std::shared_ptr<Reader> activeReader() {
    Run& r = run();
    std::lock_guard lock(r.mutex);
    return r.reader;
}

void beginRun() {
    Run& r = run();
    std::lock_guard lock(r.mutex);
    if (r.depth == 0 && db::chosenServer()) {
        r.reader = std::make_shared<Reader>(*db::chosenServer());
        setDataFileReader(&readFromServer);
    }
    ++r.depth;
}

PropertyScope::PropertyScope(const std::string& property) {
    if (!db::chosenServer()) throw DbError("", "", "nessun server scelto");
    db::ServerChoice choice = *db::chosenServer();
    choice.property = property;
    auto reader = std::make_shared<Reader>(choice);
    Run& r = run();
    std::lock_guard lock(r.mutex);
    previous_ = std::move(r.reader);
    r.reader = std::move(reader);
}

PropertyScope::~PropertyScope() {
    std::shared_ptr<Reader> closing;
    Run& r = run();
    std::lock_guard lock(r.mutex);
    closing = std::move(r.reader);
    r.reader = std::move(previous_);
}

void endRun() {
    std::shared_ptr<Reader> closing;
    Run& r = run();
    std::lock_guard lock(r.mutex);
    if (r.depth > 0 && --r.depth == 0) {
        setDataFileReader(nullptr);
        closing = std::move(r.reader);
    }
}

}  // namespace corvex::pg
