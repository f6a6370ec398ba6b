// Test support: a database of the test binary's throw-away server for the
// test that is running, named after it, so a failed test leaves its data
// apart from the others.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "support/pg_cluster.h"

namespace corvex::test {

// A fresh database "<prefix>_<test name>" (lower case, at most 60
// characters); its URL.
inline std::string databaseForThisTest(PgCluster& cluster, const std::string& prefix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = prefix + "_" + std::string(info->name());
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return cluster.createDatabase(name.substr(0, 60));
}

}  // namespace corvex::test
