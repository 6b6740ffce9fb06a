// The compiled help file, read back through the platform's own help storage
// (help_reader.exe over itss.dll, as the help viewer reads it): signature, table of contents,
// one page per message with its text letter for letter, the screenshots.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gui_support.h"
#include "package_version.h"
#include "test_support.h"

namespace {

std::string HelpPath() { return JoinPath(TestBinDir(), "package\\help\\QuortouchUsb.chm"); }

struct Message {
    std::string page, program, text, caption;
};

std::vector<Message> Messages()
{
    std::vector<Message> messages;
    std::string list = ReadTextFile(JoinPath(TestBinDir(), "tests\\package\\help\\messages.txt"));
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> fields;
        size_t start = 0, tab;
        while ((tab = line.find('\t', start)) != std::string::npos) {
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        fields.push_back(line.substr(start));
        if (fields.size() == 4)
            messages.push_back({fields[0], fields[1], fields[2], fields[3]});
    }
    return messages;
}

class HelpFileTest : public ::testing::Test {
protected:
    // The content of a file in the help file, read by help_reader.exe;
    // false when it is not there.
    bool ReadHelpFile(const std::string& name, std::string* content)
    {
        std::string output = JoinPath(ArtifactsDir(), "help-read.tmp");
        DeleteFileA(output.c_str());
        std::string reader = JoinPath(TestBinDir(), "tests\\package\\help\\help_reader.exe");
        int code = RunProcess("\"" + reader + "\" \"" + HelpPath() + "\" \"" + name + "\" \"" + output + "\"", 15000);
        if (code != 0)
            return false;
        *content = ReadTextFile(output);
        DeleteFileA(output.c_str());
        return true;
    }
};

TEST(HelpFile, StartsWithTheCompiledHelpSignature)
{
    std::string content = ReadTextFile(HelpPath());
    ASSERT_GE(content.size(), 4u);
    EXPECT_EQ(content.substr(0, 4), "ITSF");
}

TEST_F(HelpFileTest, TableOfContentsListsEveryPage)
{
    std::string toc;
    ASSERT_TRUE(ReadHelpFile("toc.hhc", &toc));
    for (const char* page : {"index.html", "install.html", "calibrate.html", "check.html", "uninstall.html",
                             "tools.html", "messages.html"}) {
        EXPECT_NE(toc.find(std::string("value=\"") + page + "\""), std::string::npos) << page;
        std::string html;
        EXPECT_TRUE(ReadHelpFile(page, &html)) << page;
    }
    std::vector<Message> messages = Messages();
    ASSERT_GE(messages.size(), 15u);
    for (const Message& message : messages)
        EXPECT_NE(toc.find("value=\"messages/" + message.page + ".html\""), std::string::npos) << message.page;
}

TEST_F(HelpFileTest, TitlePageCarriesThePackageVersion)
{
    std::string title;
    ASSERT_TRUE(ReadHelpFile("index.html", &title));
    EXPECT_NE(title.find("Version " PACKAGE_VERSION_TEXT "<"), std::string::npos);
}

TEST_F(HelpFileTest, EveryMessageHasAPageWithItsTextLetterForLetter)
{
    std::string index;
    ASSERT_TRUE(ReadHelpFile("messages.html", &index));
    for (const Message& message : Messages()) {
        std::string html;
        ASSERT_TRUE(ReadHelpFile("messages/" + message.page + ".html", &html)) << message.page;
        // A line feed of the message is a line break on the page.
        std::string text = message.text;
        for (size_t at; (at = text.find("\\n")) != std::string::npos;)
            text.replace(at, 2, "<br>\n");
        EXPECT_NE(html.find("<p class=\"message\">" + text + "</p>"), std::string::npos) << message.page;
        EXPECT_NE(html.find("<td>" + message.caption + "</td>"), std::string::npos) << message.page;
        EXPECT_NE(html.find("<h2>What to do</h2>"), std::string::npos) << message.page;
        EXPECT_NE(index.find("href=\"messages/" + message.page + ".html\""), std::string::npos) << message.page;
    }
}

TEST_F(HelpFileTest, CalibrationPagesShowTheScreenshots)
{
    std::string calibrate, check, image;
    ASSERT_TRUE(ReadHelpFile("calibrate.html", &calibrate));
    ASSERT_TRUE(ReadHelpFile("check.html", &check));
    EXPECT_NE(calibrate.find("<img src=\"images/calibration-cross.png\""), std::string::npos);
    EXPECT_NE(check.find("<img src=\"images/check-screen.png\""), std::string::npos);
    for (const char* name : {"images/calibration-cross.png", "images/check-screen.png"}) {
        ASSERT_TRUE(ReadHelpFile(name, &image)) << name;
        EXPECT_EQ(image.substr(1, 3), "PNG") << name;
    }
}

TEST(HelpViewer, OpensTheHelpFile)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = "hh.exe \"" + HelpPath() + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    HWND viewer = WaitForTopWindow(nullptr, "Quortouch USB Touchscreen Help", 30000);
    EXPECT_NE(viewer, nullptr);
    if (viewer)
        PostMessageA(viewer, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace
