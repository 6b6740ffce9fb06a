// The setup log: a run's header, its action lines and outcome, appended run
// after run, and the cap that drops the oldest runs whole.
#include <gtest/gtest.h>

#include "action_log.h"
#include "os_class.h"
#include "package_version.h"
#include "setup_log.h"
#include "test_support.h"

namespace {

std::string LogPath()
{
    char path[MAX_PATH];
    EXPECT_TRUE(SetupLogPath(path));
    return path;
}

std::vector<std::string> LogLines()
{
    std::vector<std::string> lines;
    std::string text = ReadTextFile(LogPath());
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

bool IsHeader(const std::string& line)
{
    return line.rfind(SetupLogRunMarker, 0) == 0;
}

// A run of the given number of action lines, each about a hundred bytes.
void LoggedRun(int lines, const char* outcome)
{
    ASSERT_TRUE(BeginSetupLog("Install.exe", "/u", "C:\\package"));
    for (int i = 0; i < lines; ++i)
        LogAction("copy", "C:\\windows\\QuortouchUSB\\a-rather-long-name-to-fill-the-log-with.txt", i % 2);
    EndSetupLog(outcome);
}

class SetupLog : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileA(LogPath().c_str());
        OsClass = 10;
        SetActionLogSink(WriteSetupLogLine);
    }
    void TearDown() override { SetActionLogSink(nullptr); }
};

TEST_F(SetupLog, RunHasItsHeaderTimedActionLinesAndOutcomeAfterTheEarlierRun)
{
    LoggedRun(0, "removed");
    ASSERT_TRUE(BeginSetupLog("Install.exe", "", "C:\\package"));
    LogAction("copy", "C:\\windows\\QuortouchUSB\\ReadMe.txt", ERROR_SUCCESS);
    LogAction("copy", "C:\\windows\\QuortouchUSB\\Install.exe", ERROR_SHARING_VIOLATION);
    LogNote("driver setup tool exited %d", 2);
    EndSetupLog("failed at the driver step");
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(15u, lines.size());
    EXPECT_EQ(2, std::count_if(lines.begin(), lines.end(), IsHeader));
    EXPECT_EQ(" outcome: removed", lines[5].substr(12));
    EXPECT_NE(std::string::npos, lines[6].find(std::string(" Install.exe ") + PACKAGE_VERSION_TEXT)) << lines[6];
    EXPECT_EQ("command line: ", lines[7]);
    EXPECT_NE(std::string::npos, lines[8].find(", OsClass 10")) << lines[8];
    EXPECT_EQ("package folder: C:\\package", lines[9]);
    EXPECT_EQ(0u, lines[10].rfind("user: ", 0));
    EXPECT_EQ(" copy C:\\windows\\QuortouchUSB\\ReadMe.txt: ok", lines[11].substr(12));
    EXPECT_EQ(" copy C:\\windows\\QuortouchUSB\\Install.exe: error 32", lines[12].substr(12));
    EXPECT_EQ(" driver setup tool exited 2", lines[13].substr(12));
    EXPECT_EQ(" outcome: failed at the driver step", lines[14].substr(12));
}

TEST_F(SetupLog, CappedByWholeRunsAndARunCanNotOutgrowItsShare)
{
    LoggedRun(int(SetupLogRunBytes / 50), "too long");
    std::vector<std::string> lines = LogLines();
    EXPECT_NE(std::string::npos, lines[lines.size() - 2].find("its share of the log is full"));
    EXPECT_NE(std::string::npos, lines.back().find(" outcome: too long"));
    for (int run = 0; run < int(SetupLogCapBytes / SetupLogRunBytes) + 2; ++run)
        LoggedRun(int(SetupLogRunBytes / 100), "installed");
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(LogPath().c_str(), GetFileExInfoStandard, &data));
    EXPECT_LE(data.nFileSizeLow, SetupLogCapBytes);
    EXPECT_GT(data.nFileSizeLow, SetupLogCapBytes / 2);
    lines = LogLines();
    EXPECT_TRUE(IsHeader(lines.front())) << lines.front();
    EXPECT_NE(std::string::npos, lines.back().find(" outcome: installed"));
    for (const std::string& line : lines)
        ASSERT_EQ(std::string::npos, line.find("too long"));
}

}  // namespace
