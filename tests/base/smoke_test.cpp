#include <gtest/gtest.h>
#include "base/number_text.h"
TEST(Smoke, Builds) { EXPECT_EQ(brine::FormatGeneral(12345678), "1.234568E7"); }
