// Test support for the command line: a fresh data folder as the current
// directory, a fixed clock and workstation number 7.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "support/data_folder.h"

namespace corvex::cli::testing {

class DataFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_.emplace();
        setenv("CORVEX_NOW", "15/03/2024 10:30", 1);
        setenv("PCLocal", "7", 1);
    }
    // The folder restores the environment and the current directory.
    void TearDown() override { folder_.reset(); }

    const std::string& dir() const { return folder_->path(); }
    void writeFile(const std::string& name, const std::string& bytes) const {
        folder_->writeFile(name, bytes);
    }

  private:
    std::optional<test::TempDataFolder> folder_;
};

}  // namespace corvex::cli::testing
