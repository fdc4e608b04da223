#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/debug_output.h"

namespace {

// A developer switches the channel on with PLINTHAR_DEBUG, also in a running host.
TEST(debug_output, writes_to_stderr_only_while_switched_on) {
    unsetenv("PLINTHAR_DEBUG");
    testing::internal::CaptureStderr();
    debug_output("hidden");
    setenv("PLINTHAR_DEBUG", "1", 1);
    debug_output("shown");
    unsetenv("PLINTHAR_DEBUG");
    debug_output("hidden again");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "shown\n");
}

}  // namespace
