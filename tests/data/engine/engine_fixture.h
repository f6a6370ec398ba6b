// Test fixture of the engine tests: a temporary data folder as the current
// directory and a private cache folder ($CORVEX_CACHE).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "support/data_folder.h"

namespace corvex::test {

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::make_unique<TempDataFolder>();
        if (const char* c = std::getenv("CORVEX_CACHE")) savedCache_ = c;
        char tmpl[] = "/tmp/corvex-cache-test-XXXXXX";
        cache_ = mkdtemp(tmpl);
        setenv("CORVEX_CACHE", cache_.c_str(), 1);
    }
    void TearDown() override {
        folder_.reset();
        if (savedCache_)
            setenv("CORVEX_CACHE", savedCache_->c_str(), 1);
        else
            unsetenv("CORVEX_CACHE");
        std::error_code ec;
        std::filesystem::remove_all(cache_, ec);
    }
    const TempDataFolder& folder() const { return *folder_; }
    const std::string& cacheDir() const { return cache_; }

  private:
    std::unique_ptr<TempDataFolder> folder_;
    std::string cache_;
    std::optional<std::string> savedCache_;
};

}  // namespace corvex::test
