// Helpers for the Jet reader tests: the shared fixtures, environment
// overrides, a scratch folder and plain sqlite3 queries on the copies.
#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "support/scoped_env.h"

namespace corvex::test::jet {

namespace fs = std::filesystem;

// The shared fixtures folder: $CORVEX_SHARED_DIR when set (a worktree's
// build points the macro at a sibling folder), else the build's macro.
inline fs::path sharedDir() {
    if (const char* env = std::getenv("CORVEX_SHARED_DIR"); env && *env) return env;
    return CORVEX_SHARED_DIR;
}
inline fs::path jetFixtures() {
    return sharedDir() / "fixtures" / "jet";
}
inline fs::path hotelFixtures() {
    return sharedDir() / "fixtures" / "jet-hotel";
}

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchDir {
  public:
    ScratchDir() {
        std::string tmpl = (fs::temp_directory_path() / "corvex-jet-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

  private:
    fs::path path_;
};

// The importer beside the test binary, else in the build folder.
inline void useBuiltImporter(std::optional<ScopedEnv>& env) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && fs::exists(self.parent_path() / "corvex-jetimport")) return;
    env.emplace("CORVEX_JETIMPORT", std::string(CORVEX_BINARY_DIR) + "/corvex-jetimport");
}

// One SQLite value with its storage class.
struct Cell {
    int type = SQLITE_NULL;  // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL
    std::int64_t i = 0;
    double d = 0;
    std::string s;  // text or blob bytes
    bool operator==(const Cell&) const = default;
};
using Row = std::vector<Cell>;

inline std::vector<Row> query(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + file.string());
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        std::string msg = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error(msg + " in: " + sql);
    }
    std::vector<Row> rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        Row row;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            Cell cell;
            cell.type = sqlite3_column_type(st, c);
            switch (cell.type) {
                case SQLITE_INTEGER:
                    cell.i = sqlite3_column_int64(st, c);
                    break;
                case SQLITE_FLOAT:
                    cell.d = sqlite3_column_double(st, c);
                    break;
                case SQLITE_TEXT:
                case SQLITE_BLOB:
                    cell.s.assign(static_cast<const char*>(sqlite3_column_blob(st, c)),
                                  static_cast<std::size_t>(sqlite3_column_bytes(st, c)));
                    break;
                default:
                    break;
            }
            row.push_back(std::move(cell));
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// A single value as text ("NULL" for NULL), for compact expectations.
inline std::string show(const Cell& c) {
    switch (c.type) {
        case SQLITE_NULL:
            return "NULL";
        case SQLITE_INTEGER:
            return std::to_string(c.i);
        case SQLITE_FLOAT: {
            char buf[64];
            auto res = std::to_chars(buf, buf + sizeof buf, c.d);  // shortest exact form
            return std::string(buf, res.ptr);
        }
        default:
            return c.s;
    }
}

inline std::string joined(const Row& row) {
    std::string out;
    for (std::size_t i = 0; i < row.size(); ++i) out += (i ? "|" : "") + show(row[i]);
    return out;
}

inline std::string scalar(const fs::path& file, const std::string& sql) {
    auto rows = query(file, sql);
    return rows.empty() || rows[0].empty() ? "<no row>" : show(rows[0][0]);
}

}  // namespace corvex::test::jet
