// The text input's variable declarations land in the build's name tables.
#include "server/io/variables.hpp"

#include <gtest/gtest.h>

#include <string>

#include "server/log_capture.hpp"

#ifdef ZEL_VARIANT_INT
#include "server/base/bigdexp.hpp"
#include "server/base/biglexp.hpp"
#define ORV_NAMES Liste_variables_BigDexp
#define ORV_EXTRA extra_nb_vars_BigDexp
#define ORV_END extra_nb_end_vars_BigDexp
#else
#include "server/base/drldrl.hpp"
#define ORV_NAMES Liste_variables_DRLDRL
#define ORV_EXTRA extra_nb_vars_DRLDRL
#define ORV_END extra_nb_end_vars_DRLDRL
#endif

using namespace orv::ORV_BUILD;

TEST(ServerVariables, DeclarationsFillTheNameTablesAndTheExtraCounts) {
  EXPECT_EQ(global_List_variables, nullptr);
  std::string name = "alpha";
  add_variable(7, name.c_str());
  name[0] = 'X';  // the table keeps its own copy
  EXPECT_STREQ(ORV_NAMES[7], "alpha");
  uint32_t before = ORV_EXTRA;
  add_bvariable("h");
  EXPECT_EQ(ORV_EXTRA, before + 1);
  EXPECT_STREQ(ORV_NAMES[before], "h");
  uint32_t end = ORV_END;
  add_lvariable("t");
  EXPECT_EQ(ORV_END, end + 1);
#ifdef ZEL_VARIANT_INT
  EXPECT_STREQ(Liste_variables_BigLexp[7], "alpha");
  EXPECT_EQ(extra_nb_vars_BigLexp, ORV_EXTRA);
  extra_nb_vars_BigLexp = 0;
  extra_nb_end_vars_BigLexp = 0;
#endif
  ORV_EXTRA = 0;
  ORV_END = 0;
}

TEST(ServerVariablesDeath, AtMost499ExtraVariables) {
  orv_test::use_fresh_children();
  auto add = [](int count) {
    orv::log_output = stderr;
    for (int i = 0; i < count; ++i) add_bvariable("v");
    exit(0);
  };
  EXPECT_EXIT(add(499), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(add(500), testing::ExitedWithCode(3),
              "#error \\(fatal\\): Too much extra variables\n");
  EXPECT_EXIT((orv::log_output = stderr, add_variable(2000, "v")), testing::ExitedWithCode(3),
              "Too many variables");
}
