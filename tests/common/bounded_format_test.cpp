#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bounded_format.h"
#include "debug_trace.h"
#include "test_support.h"

TEST(BoundedFormat, FitsExactlyAndRefusesOneMore)
{
    char buf[8];
    EXPECT_TRUE(FormatInto(buf, "%s", "1234567"));
    EXPECT_STREQ("1234567", buf);
    EXPECT_FALSE(FormatInto(buf, "%s", "12345678"));
    EXPECT_STREQ("", buf);
}

TEST(BoundedFormat, OverlongPathNeverWritesPastTheBuffer)
{
    struct {
        char path[MAX_PATH];
        char guard[16];
    } area;
    memset(area.guard, 'G', sizeof area.guard);
    std::string longDirectory(400, 'd');
    EXPECT_FALSE(FormatInto(area.path, "%s\\%s", longDirectory.c_str(), "QuorUsb.exe"));
    EXPECT_STREQ("", area.path);
    for (char c : area.guard)
        EXPECT_EQ('G', c);
}

TEST(DebugTrace, FormatsAtLevelZeroAndDropsHigherLevels)
{
    TraceCapture trace;
    DebugTrace(0, "$$$$$$$$XY(%5d,%5d)\n", 4660, 22136);
    DebugTrace(1, "dropped\n");
    ASSERT_EQ(1u, trace.Lines().size());
    EXPECT_EQ("$$$$$$$$XY( 4660,22136)\n", trace.Lines()[0]);
}

TEST(DebugTrace, LongMessageIsCutAtItsBuffer)
{
    TraceCapture trace;
    std::string text(3000, 'x');
    DebugTrace(0, "%s", text.c_str());
    ASSERT_EQ(1u, trace.Lines().size());
    EXPECT_EQ(static_cast<size_t>(DebugTraceBufferSize - 1), trace.Lines()[0].size());
}
