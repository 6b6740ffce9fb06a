// main() of every test program: a child action when asked for one, else
// GoogleTest.
#include <gtest/gtest.h>

bool RunChildActionIfAsked(int argc, char** argv, int* exitCode);

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (RunChildActionIfAsked(argc, argv, &exitCode))
        return exitCode;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
