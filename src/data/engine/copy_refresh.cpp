#include "data/engine/copy_refresh.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "data/engine/copy_cache.h"
#include "data/engine/error.h"

namespace corvex::db {

namespace fs = std::filesystem;

CopyRefresh::CopyRefresh(Status status, unsigned workers) : status_(std::move(status)) {
    if (workers == 0) workers = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
    for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { work(); });
}

CopyRefresh::~CopyRefresh() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        cancel_ = true;
        queue_.clear();
        queued_.clear();
    }
    wake_.notify_all();
    for (auto& w : workers_) w.join();
}

void CopyRefresh::refresh(const std::string& folder) {
    std::vector<std::pair<std::uintmax_t, std::string>> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string ext = it->path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::error_code e2;
        if (ext != ".mdb" || !it->is_regular_file(e2)) continue;
        files.emplace_back(it->file_size(e2), fs::absolute(it->path()).lexically_normal().string());
    }
    std::sort(files.begin(), files.end(), std::greater<>());
    for (const auto& f : files) refreshFile(f.second);
}

void CopyRefresh::refreshFile(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || !queued_.insert(path).second) return;
        queue_.push_back(path);
    }
    wake_.notify_one();
}

void CopyRefresh::wait() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
}

std::uint64_t CopyRefresh::done() const {
    std::lock_guard lock(mutex_);
    return done_;
}

void CopyRefresh::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        const std::string path = queue_.front();
        queue_.pop_front();
        queued_.erase(path);
        ++busy_;
        // Under the lock, so that the last word is always the latest.
        if (status_) status_(fs::path(path).filename().string());
        lock.unlock();
        try {
            refreshCopy(path, &cancel_);
        } catch (const std::exception&) {
            // A file that cannot be read now is the report's to explain.
        }
        lock.lock();
        --busy_;
        ++done_;
        if (queue_.empty() && busy_ == 0) {
            if (status_) status_("");
            idle_.notify_all();
        }
    }
}

}  // namespace corvex::db
