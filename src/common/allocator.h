// The C library's allocator, tuned for this program's way of working.
#pragma once

namespace corvex {

// Reports read a few hundred rows per statement, thousands of statements a
// run: with the allocator's defaults each result's memory went back to the
// system on free and was faulted in again for the next one (a fifth of a
// year's summary). Freed memory up to some tens of megabytes is kept for
// reuse instead. Call once at start, before any thread runs.
void keepFreedMemoryForReuse();

}  // namespace corvex
