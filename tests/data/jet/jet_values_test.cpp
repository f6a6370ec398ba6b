#include "data/engine/jet_values.h"

#include <gtest/gtest.h>

namespace corvex::db::jet {
namespace {

TEST(JetValues, DateTimeText) {
    EXPECT_EQ(dateTimeText(0.0), "1899-12-30 00:00:00");
}

}  // namespace
}  // namespace corvex::db::jet
