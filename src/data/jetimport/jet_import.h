// Reading a Jet file (Jet3, Jet4, ACE) through libmdb into a new SQLite file.
#pragma once

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

// Writes every user table of `source` into the SQLite file `dest` (created;
// removed again on failure). A table whose rows do not add up to the count
// the file declares is read again, from a freshly opened file, a few times
// before DataError is thrown.
void importJetFile(const std::string& source, const std::string& dest);

}  // namespace corvex::jetimport
