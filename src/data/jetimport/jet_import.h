// Reading a Jet file (Jet3, Jet4, ACE) through libmdb into a new SQLite file.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvex::jetimport {

// The file cannot be opened as a Jet database at all: retrying will not help.
class OpenError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What was read does not hold together (rows missing, values pointing
// nowhere): the file is damaged, or another program was writing it.
class DataError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The copy cannot be written (full disk, cache folder gone): the file
// itself may be fine.
class WriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ImportStats {
    std::uint64_t pages = 0;    // data pages of the file's tables
    std::uint64_t decoded = 0;  // of which decoded for this copy
    bool incremental = false;   // made from `previous`: already indexed
};

// Writes every user table of `source` into the SQLite file `dest` (created;
// removed again on failure). A table whose rows do not add up to the count
// the file declares is read again, from a freshly opened file, a few times
// before DataError is thrown.
//
// The copy records a signature of each data page (its bytes, and those of
// the pages its moved rows were moved to) and of each table's layout. Given
// `previous`, an earlier copy of the same file, the new copy starts from its
// bytes and only the pages whose signature changed are read again (their
// rows have rowids page << 16 | n, so they are replaced in place and rowid
// order stays the table's order); the changed tables' statistics are
// refreshed. When the tables or their layouts differ, the copy is made anew.
ImportStats importJetFile(const std::string& source, const std::string& dest,
                          const std::string& previous = "");

}  // namespace corvex::jetimport
