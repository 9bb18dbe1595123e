#include "db/null_to_default.h"

#include <gtest/gtest.h>

namespace {

TEST(NullToDefault, NullGivesFallbackAnythingElseItself) {
  const ado::Value empty = ado::Text();
  EXPECT_EQ(Access::NullToDefault(ado::Value::null(), empty), empty);
  EXPECT_EQ(Access::NullToDefault(ado::Text(u"x"), empty), ado::Value(ado::Text(u"x")));
  EXPECT_EQ(Access::NullToDefault(std::int32_t{0}, empty), ado::Value(std::int32_t{0}));
  EXPECT_EQ(Access::NullToDefault(ado::Value(), empty), ado::Value());  // unset is not null
  EXPECT_EQ(Access::NullToDefault(ado::Value::null(), std::int16_t{7}),
            ado::Value(std::int16_t{7}));
}

}  // namespace
