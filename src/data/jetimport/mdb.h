// libmdb for C++: the header and owners of its handles.
#pragma once

// mdbtools.h includes glib.h inside its extern "C" block, where glib's C++
// parts do not compile; including glib.h first makes that inner include empty.
#include <glib.h>
// clang-format off
#include <mdbtools.h>
// clang-format on

#include <memory>

namespace corvex::jetimport {

struct MdbCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableCloser {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// An open Jet file; the catalog it reads is freed with it.
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;
// A table definition with its columns; freed before its MdbHandle.
using TablePtr = std::unique_ptr<MdbTableDef, TableCloser>;

}  // namespace corvex::jetimport
