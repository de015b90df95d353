#include <gtest/gtest.h>

#include "engine/call_zel.h"
#include "engine/variant.hpp"

using namespace zel::ZEL_BUILD;

TEST(Variant, BuildsReportTheirOwnVersion) {
  EXPECT_EQ(Zel_int_internal_version(), 11804);
  EXPECT_EQ(Zel_internal_version(), 11803);
  EXPECT_EQ(sizeof(Dom), kIntegerBuild ? 4u : 2u);
}
