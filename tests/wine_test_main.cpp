#include <windows.h>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Every text of the program is cp936; under any other ANSI code page the tests would
    // check something else than what users get.
    if (GetACP() != 936) {
        std::fprintf(stderr, "FATAL: the ANSI code page is %u, not 936 (run with LC_ALL=zh_CN.UTF-8)\n",
                     GetACP());
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
