// Test support for the command line: a fresh data folder as the current
// directory, and a fixed clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace corvex::cli::testing {

class DataFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = std::filesystem::current_path();
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvex-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::filesystem::current_path(dir_);
        if (const char* now = std::getenv("CORVEX_NOW")) savedNow_ = now;
        hadNow_ = std::getenv("CORVEX_NOW") != nullptr;
        setenv("CORVEX_NOW", "15/03/2024 10:30", 1);
        if (const char* pc = std::getenv("PCLocal")) savedPc_ = pc;
        hadPc_ = std::getenv("PCLocal") != nullptr;
        setenv("PCLocal", "7", 1);
    }
    void TearDown() override {
        std::filesystem::current_path(saved_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        if (hadNow_) {
            setenv("CORVEX_NOW", savedNow_.c_str(), 1);
        } else {
            unsetenv("CORVEX_NOW");
        }
        if (hadPc_) {
            setenv("PCLocal", savedPc_.c_str(), 1);
        } else {
            unsetenv("PCLocal");
        }
    }
    static void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream f(name, std::ios::binary);
        f << bytes;
    }

    std::filesystem::path dir_;

  private:
    std::filesystem::path saved_;
    std::string savedNow_, savedPc_;
    bool hadNow_ = false, hadPc_ = false;
};

}  // namespace corvex::cli::testing
