// The compiled help file, read back through the platform's own help storage
// (help_reader.exe over itss.dll, as the help viewer reads it, copies it out
// whole once): signature, table of contents,
// one page per message with its text letter for letter, the screenshots.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <set>
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
    // help_reader.exe copies the whole help file out once, in one process.
    static void SetUpTestSuite()
    {
        std::string reader = JoinPath(TestBinDir(), "tests\\package\\help\\help_reader.exe");
        ReaderExit = RunProcess("\"" + reader + "\" \"" + HelpPath() + "\" \"" + Contents() + "\"", 60000);
    }
    void SetUp() override { ASSERT_EQ(0, ReaderExit) << "help_reader.exe could not copy the help file out"; }
    // Inside the run's own fresh prefix: nothing of an earlier run is there.
    static std::string Contents() { return "C:\\help-contents"; }
    // The content of a file in the help file; false when it is not there.
    bool ReadHelpFile(std::string name, std::string* content)
    {
        for (char& c : name)
            if (c == '/')
                c = '\\';
        std::string path = JoinPath(Contents(), name);
        if (!FileExists(path))
            return false;
        *content = ReadTextFile(path);
        return true;
    }
    static int ReaderExit;
};
int HelpFileTest::ReaderExit = -1;

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

// The "Local" page of every entry of a contents (.hhc) or index (.hhk) file.
std::vector<std::string> SitemapPages(const std::string& sitemap)
{
    std::vector<std::string> pages;
    const std::string head = "<param name=\"Local\" value=\"";
    for (size_t at = sitemap.find(head); at != std::string::npos; at = sitemap.find(head, at + 1)) {
        size_t start = at + head.size();
        pages.push_back(sitemap.substr(start, sitemap.find('"', start) - start));
    }
    return pages;
}

// A link of a page, as the name of a file in the help file: relative to the
// page's folder, "../" taken back, an anchor cut off. Empty for links that
// leave the help file or stay on the page.
std::string ResolveLink(const std::string& page, std::string link)
{
    link = link.substr(0, link.find('#'));
    if (link.empty() || link.find(':') != std::string::npos)
        return "";
    std::string folder = page.substr(0, page.rfind('/') + 1);
    while (link.compare(0, 3, "../") == 0 && !folder.empty()) {
        folder = folder.substr(0, folder.rfind('/', folder.size() - 2) + 1);
        link = link.substr(3);
    }
    return folder + link;
}

// Every contents and index entry opens a page of the help file, and every
// link and picture of every page reached that way is in the file too.
TEST_F(HelpFileTest, EveryContentsIndexAndPageLinkResolves)
{
    std::string toc, index;
    ASSERT_TRUE(ReadHelpFile("toc.hhc", &toc));
    ASSERT_TRUE(ReadHelpFile("index.hhk", &index));
    std::vector<std::pair<std::string, std::string>> pending;  // file, where it was named
    for (const std::string& page : SitemapPages(toc))
        pending.push_back({page, "toc.hhc"});
    for (const std::string& page : SitemapPages(index))
        pending.push_back({page, "index.hhk"});
    ASSERT_GE(pending.size(), 30u);

    std::set<std::string> seen;
    while (!pending.empty()) {
        auto [file, from] = pending.back();
        pending.pop_back();
        if (!seen.insert(file).second)
            continue;
        std::string content;
        if (!ReadHelpFile(file, &content)) {
            ADD_FAILURE() << file << ", named in " << from << ", is not in the help file";
            continue;
        }
        if (file.size() < 5 || file.compare(file.size() - 5, 5, ".html") != 0)
            continue;
        for (const char* attribute : {"href=\"", "src=\""})
            for (size_t at = content.find(attribute); at != std::string::npos; at = content.find(attribute, at + 1)) {
                size_t start = at + strlen(attribute);
                std::string target = ResolveLink(file, content.substr(start, content.find('"', start) - start));
                if (!target.empty())
                    pending.push_back({target, file});
            }
    }
    EXPECT_GE(seen.size(), 27u);  // every page, the pictures and the style sheet
}

// The help viewer on the help file where the installer puts it: a window on
// the screen with the contents tree beside the page, filled.
TEST(HelpViewer, ShowsTheContentsTreeBesideThePage)
{
    std::string installed = JoinPath(WindowsDir(), "QuortouchUSB");
    CreateDirectoryA(installed.c_str(), nullptr);
    std::string help = JoinPath(installed, "QuortouchUsb.chm");
    ASSERT_TRUE(CopyFileA(HelpPath().c_str(), help.c_str(), FALSE));

    StartedProcess viewerProcess;
    ASSERT_TRUE(viewerProcess.Start("hh.exe \"" + help + "\""));
    HWND viewer = WaitForTopWindow("HH Parent", "Quortouch USB Touchscreen Help", 30000);
    EXPECT_NE(viewer, nullptr);
    if (viewer) {
        HWND tree = nullptr;
        EXPECT_TRUE(WaitUntil(
            [&] {
                tree = nullptr;
                EnumChildWindows(
                    viewer,
                    [](HWND child, LPARAM found) {
                        if (ClassNameOf(child) != "SysTreeView32")
                            return TRUE;
                        *reinterpret_cast<HWND*>(found) = child;
                        return FALSE;
                    },
                    reinterpret_cast<LPARAM>(&tree));
                return tree != nullptr && IsWindowVisible(tree) &&
                       SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 0;
            },
            15000));
        SaveScreenshot("help-viewer.png");
        RECT window = WindowRectOf(viewer), treeRect = tree ? WindowRectOf(tree) : RECT{};
        EXPECT_GT(treeRect.right - treeRect.left, 100) << "contents pane width";
        EXPECT_GT(treeRect.bottom - treeRect.top, 100) << "contents pane height";
        // The page has room beside the tree, and the window is on the screen.
        EXPECT_GT(window.right - treeRect.right, 200);
        EXPECT_GE(window.left, 0);
        EXPECT_GE(window.top, 0);
        EXPECT_LE(window.right, GetSystemMetrics(SM_CXSCREEN));
        EXPECT_LE(window.bottom, GetSystemMetrics(SM_CYSCREEN));
        // Every entry of the contents, the nested ones included.
        std::string toc = ReadTextFile(JoinPath(TestBinDir(), "package\\help\\stage\\toc.hhc"));
        EXPECT_EQ(static_cast<LRESULT>(SitemapPages(toc).size()), tree ? SendMessageA(tree, TVM_GETCOUNT, 0, 0) : 0);
        PostMessageA(viewer, WM_CLOSE, 0, 0);
    }
    viewerProcess.Wait(10000);
}

} // namespace
