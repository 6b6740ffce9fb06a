// main() of every test program: a child action when asked for one, else
// GoogleTest.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

bool RunChildActionIfAsked(int argc, char** argv, int* exitCode);

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (RunChildActionIfAsked(argc, argv, &exitCode))
        return exitCode;
    // Plain line feeds, so that the Linux side reads the test list as it is.
    _setmode(_fileno(stdout), _O_BINARY);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
