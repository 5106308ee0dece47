// The test programs' entry: like GoogleTest's own, but a run in which the filter selected no
// test fails, so that a renamed suite cannot pass unnoticed.

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        std::fprintf(stderr, "no test matched the filter\n");
        return 1;
    }
    return result;
}
