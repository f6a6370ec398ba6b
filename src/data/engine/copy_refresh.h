// Bringing the cached copies of a data folder's suite files up to date in the
// background, so that the next report finds them ready.
//
// Workers (at most two, never more than the machine's cores) make the copies
// through the same path a report uses (copy_cache.h), one file each at a
// time. A report that needs a copy being made meanwhile waits for it (one
// import of a file at a time per process, cache_folder.h: lockSource) and
// then reads the finished copy; copies are renamed into place whole, so
// none is ever read half built. A report's snapshot (SnapshotScope) is never
// changed by a refresh.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace corvex::db {

class CopyRefresh {
  public:
    // Called from a worker thread: the name of the file whose copy is being
    // brought up to date, then "" once nothing is left to do. It must not
    // wait for the thread that owns this object.
    using Status = std::function<void(const std::string& file)>;

    // workers 0: one per core, at most two.
    explicit CopyRefresh(Status status, unsigned workers = 0);
    // Drops what is still queued and stops the imports under way (a Jet
    // import is stopped within a tenth of a second; nothing half made stays).
    ~CopyRefresh();
    CopyRefresh(const CopyRefresh&) = delete;
    CopyRefresh& operator=(const CopyRefresh&) = delete;

    // Queues every suite file (*.mdb) of folder, largest first; a file
    // already waiting is not queued twice.
    void refresh(const std::string& folder);
    // Queues one file.
    void refreshFile(const std::string& path);
    // Returns once nothing is queued or under way.
    void wait();
    // Files whose copy was checked or made since the start (for tests).
    std::uint64_t done() const;

  private:
    void work();

    Status status_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::deque<std::string> queue_;
    std::set<std::string> queued_;
    unsigned busy_ = 0;
    bool stopping_ = false;
    std::atomic<bool> cancel_{false};
    std::uint64_t done_ = 0;
    std::vector<std::thread> workers_;
};

}  // namespace corvex::db
