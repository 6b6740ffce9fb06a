// Install.exe's resources as the program ships them: read from the built
// program file, not from the resource script.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gui_support.h"
#include "installer_app.h"
#include "resource_ids.h"
#include "test_support.h"
#include "wizard_dialogs.h"

namespace {

const WORD Chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 2052
const WORD English = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);          // 1033

std::string InstallExePath()
{
    return JoinPath(TestBinDir(), "install\\wizard\\Install.exe");
}

std::vector<BYTE> ResourceBytes(HMODULE module, LPCSTR type, int id, WORD language)
{
    HRSRC info = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
    if (info == nullptr)
        return {};
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, info)));
    return std::vector<BYTE>(data, data + SizeofResource(module, info));
}

class InstallResources : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        module = LoadLibraryExA(InstallExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() { FreeLibrary(module); }

    static std::vector<BYTE> Resource(LPCSTR type, int id, WORD language)
    {
        return ResourceBytes(module, type, id, language);
    }
    static HMODULE module;
};
HMODULE InstallResources::module = nullptr;

// A DIALOG (not DIALOGEX) template, decoded.
struct DialogItem {
    int id;
    WORD classAtom;
    DWORD style;
    std::string text;  // or "#<ordinal>"
    short x, y, cx, cy;
};
struct Dialog {
    DWORD style;
    short x, y, cx, cy;
    std::string caption;
    WORD pointSize;
    std::string font;
    std::vector<DialogItem> items;
};

constexpr WORD ButtonClass = 0x80;
constexpr WORD StaticClass = 0x82;

std::string ReadString(const WORD*& p)
{
    std::string text;
    if (*p == 0xFFFF) {
        text = "#" + std::to_string(p[1]);
        p += 2;
        return text;
    }
    while (*p != 0)
        text += static_cast<char>(*p++);
    ++p;
    return text;
}

Dialog DecodeDialog(const std::vector<BYTE>& raw)
{
    Dialog d = {};
    const BYTE* base = raw.data();
    const DLGTEMPLATE* t = reinterpret_cast<const DLGTEMPLATE*>(base);
    d.style = t->style;
    d.x = t->x;
    d.y = t->y;
    d.cx = t->cx;
    d.cy = t->cy;
    const WORD* p = reinterpret_cast<const WORD*>(t + 1);
    ReadString(p);  // menu
    ReadString(p);  // class
    d.caption = ReadString(p);
    if (d.style & DS_SETFONT) {
        d.pointSize = *p++;
        d.font = ReadString(p);
    }
    for (int i = 0; i < t->cdit; ++i) {
        uintptr_t offset = reinterpret_cast<const BYTE*>(p) - base;
        p = reinterpret_cast<const WORD*>(base + ((offset + 3) & ~uintptr_t(3)));
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        DialogItem di = {};
        di.id = static_cast<short>(item->id);
        di.style = item->style;
        di.x = item->x;
        di.y = item->y;
        di.cx = item->cx;
        di.cy = item->cy;
        p = reinterpret_cast<const WORD*>(item + 1);
        if (*p == 0xFFFF) {
            di.classAtom = p[1];
            p += 2;
        } else {
            // A class given by name: the predefined ones by their atoms.
            std::string name = ReadString(p);
            if (_stricmp(name.c_str(), "Static") == 0)
                di.classAtom = StaticClass;
            else if (_stricmp(name.c_str(), "Button") == 0)
                di.classAtom = ButtonClass;
        }
        di.text = ReadString(p);
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        d.items.push_back(di);
    }
    return d;
}


enum Kind { DefPush, Push, Text, TextNoPrefix, Bitmap, BitmapSunken, Icon };

// What a control is, in template order; where it lies is the resource
// script's business (the screenshots of the end-to-end runs show it), the
// test asks only that it lies inside its dialog.
struct Expected {
    int id;
    Kind kind;
    bool group;
    bool tabStop;
    bool disabled;
    const char* text;
};

void ExpectItems(const Dialog& dialog, const std::vector<Expected>& expected)
{
    ASSERT_EQ(expected.size(), dialog.items.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Expected& e = expected[i];
        const DialogItem& item = dialog.items[i];
        SCOPED_TRACE("item " + std::to_string(i) + " " + e.text);
        EXPECT_EQ(e.id, item.id);
        EXPECT_EQ(e.text, item.text);
        EXPECT_TRUE(item.x >= 0 && item.y >= 0 && item.x + item.cx <= dialog.cx && item.y + item.cy <= dialog.cy)
            << "outside the dialog";
        EXPECT_EQ(e.group, (item.style & WS_GROUP) != 0);
        EXPECT_EQ(e.tabStop, (item.style & WS_TABSTOP) != 0);
        EXPECT_EQ(e.disabled, (item.style & WS_DISABLED) != 0);
        EXPECT_TRUE(item.style & WS_VISIBLE);
        switch (e.kind) {
        case DefPush:
        case Push:
            EXPECT_EQ(ButtonClass, item.classAtom);
            EXPECT_EQ(e.kind == DefPush ? DWORD(BS_DEFPUSHBUTTON) : DWORD(BS_PUSHBUTTON), item.style & BS_TYPEMASK);
            break;
        case Text:
        case TextNoPrefix:
            EXPECT_EQ(StaticClass, item.classAtom);
            EXPECT_EQ(DWORD(SS_LEFT), item.style & SS_TYPEMASK);
            EXPECT_EQ(e.kind == TextNoPrefix, (item.style & SS_NOPREFIX) != 0);
            break;
        case Bitmap:
        case BitmapSunken:
            EXPECT_EQ(StaticClass, item.classAtom);
            EXPECT_EQ(DWORD(SS_BITMAP), item.style & SS_TYPEMASK);
            EXPECT_TRUE(item.style & WS_BORDER);
            EXPECT_EQ(e.kind == BitmapSunken, (item.style & SS_SUNKEN) != 0);
            break;
        case Icon:
            EXPECT_EQ(StaticClass, item.classAtom);
            EXPECT_EQ(DWORD(SS_ICON), item.style & SS_TYPEMASK);
            break;
        }
    }
}

const DWORD WizardStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

TEST_F(InstallResources, WelcomeDialogHasEveryControlInTemplateOrder)
{
    std::vector<BYTE> raw = Resource(RT_DIALOG, IDD_WELCOME, Chinese);
    ASSERT_FALSE(raw.empty());
    Dialog d = DecodeDialog(raw);
    EXPECT_EQ("Quortouch USB Touchscreen Setup(Welcome)", d.caption);
    EXPECT_EQ(WizardStyle, d.style & (WizardStyle | DS_MODALFRAME));
    EXPECT_EQ("System", d.font);
    EXPECT_EQ(10, d.pointSize);
    ExpectItems(d, {
        {IDC_NEXT, DefPush, false, true, false, "Next"},
        {IDCANCEL, Push, false, true, false, "Cancel"},
        {IDC_STATIC, Text, true, false, false,
         "Welcome to use Quortouch USB Touchscreen for windows 2000/XP/Vista32/Win7/Win8. This program will install "
         "the drivers of our touchscreen on your computer."},
        {IDC_STATIC, Text, true, false, false,
         "Tips: It is strongly recommended that you exit all windows programs before running this setup program."},
        {IDC_STATIC, Text, true, false, false, "Press \"Next\" to continue, \"Cancel\" to exit this setup."},
        {IDC_STATIC, Bitmap, false, false, false, "#130"},
        {IDC_STATIC, BitmapSunken, false, false, false, "#133"},
    });
}

TEST_F(InstallResources, ProgressDialogStartsWithFinishAndStatusLinesGreyed)
{
    std::vector<BYTE> raw = Resource(RT_DIALOG, IDD_PROGRESS, Chinese);
    ASSERT_FALSE(raw.empty());
    Dialog d = DecodeDialog(raw);
    EXPECT_EQ("Quortouch USB Touchscreen Setup (Progressing...)", d.caption);
    EXPECT_EQ(WizardStyle, d.style & WizardStyle);
    EXPECT_EQ("System", d.font);
    EXPECT_EQ(10, d.pointSize);
    ExpectItems(d, {
        {IDC_FINISH, DefPush, false, true, true, "Finish"},
        {IDCANCEL, Push, false, true, false, "Cancel"},
        {IDC_STATIC, Bitmap, false, false, false, "#130"},
        {IDC_STATIC, Text, true, false, false,
         "Setup Program is doing the following setup procedure on your computer. Please Wait..."},
        {IDC_STATUS_DEVICE, Text, true, false, true, ">> Adding touchscreen Device on your computer"},
        {IDC_STATUS_FILES, Text, true, false, true, ">> Adding Driver files on your computer"},
        {IDC_STATUS_LINKS, Text, true, false, true, ">> Creating shutcut links of applications"},
    });
}

TEST_F(InstallResources, AboutDialogIsNotAPopup)
{
    std::vector<BYTE> raw = Resource(RT_DIALOG, IDD_ABOUTBOX, Chinese);
    ASSERT_FALSE(raw.empty());
    Dialog d = DecodeDialog(raw);
    EXPECT_EQ("About", d.caption);
    EXPECT_EQ(DWORD(DS_MODALFRAME | WS_CAPTION | WS_SYSMENU), d.style & (DS_MODALFRAME | WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(0u, d.style & WS_POPUP);
    EXPECT_EQ("System", d.font);
    EXPECT_EQ(8, d.pointSize);
    ExpectItems(d, {
        {IDC_ABOUT_ICON, Icon, false, false, false, "#107"},
        {IDC_STATIC, TextNoPrefix, true, false, false, "install Version 1.0"},
        {IDC_STATIC, Text, true, false, false, "Quortouch USB Touchscreen"},
        {IDOK, DefPush, true, true, false, "OK"},
    });
}

TEST_F(InstallResources, PortSelectionDialogIsPresent)
{
    EXPECT_FALSE(Resource(RT_DIALOG, IDD_PORT_SELECTION, Chinese).empty());
}

TEST_F(InstallResources, StringsMenuAcceleratorsAndPictures)
{
    // String table block 7 holds ids 96..111.
    std::vector<BYTE> strings = Resource(RT_STRING, 7, Chinese);
    ASSERT_FALSE(strings.empty());
    char text[100];
    ASSERT_GT(LoadStringA(module, 103, text, sizeof text), 0);
    EXPECT_STREQ("Quortouch USB Touchscreen Setup", text);
    ASSERT_GT(LoadStringA(module, 109, text, sizeof text), 0);
    EXPECT_STREQ("INSTALL", text);

    std::vector<BYTE> accelerators = Resource(RT_ACCELERATOR, 109, Chinese);
    ASSERT_EQ(2u * 8u, accelerators.size());
    struct Entry {
        WORD flags, key, command, pad;
    };
    const Entry* entries = reinterpret_cast<const Entry*>(accelerators.data());
    EXPECT_EQ(FALT, entries[0].flags & ~0x80);  // 0x80 marks the last entry
    EXPECT_EQ(63, entries[0].key);
    EXPECT_EQ(104, entries[0].command);
    EXPECT_EQ(FALT | 0x80, entries[1].flags);  // character code: no FVIRTKEY
    EXPECT_EQ(47, entries[1].key);
    EXPECT_EQ(104, entries[1].command);

    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(109));
    ASSERT_NE(nullptr, menu);
    char item[64];
    GetMenuStringA(menu, 0, item, sizeof item, MF_BYPOSITION);
    EXPECT_STREQ("&File", item);
    GetMenuStringA(menu, 1, item, sizeof item, MF_BYPOSITION);
    EXPECT_STREQ("&Help", item);
    GetMenuStringA(GetSubMenu(menu, 0), 105, item, sizeof item, MF_BYCOMMAND);
    EXPECT_STREQ("E&xit", item);
    GetMenuStringA(GetSubMenu(menu, 1), 104, item, sizeof item, MF_BYCOMMAND);
    EXPECT_STREQ("&About ...", item);
    DestroyMenu(menu);

    std::vector<BYTE> strip = Resource(RT_BITMAP, 130, Chinese);
    ASSERT_GE(strip.size(), sizeof(BITMAPINFOHEADER));
    const BITMAPINFOHEADER* h = reinterpret_cast<const BITMAPINFOHEADER*>(strip.data());
    EXPECT_EQ(116, h->biWidth);
    EXPECT_EQ(255, h->biHeight);
    EXPECT_EQ(4, h->biBitCount);
    std::vector<BYTE> welcome = Resource(RT_BITMAP, 133, Chinese);
    ASSERT_GE(welcome.size(), sizeof(BITMAPINFOHEADER));
    h = reinterpret_cast<const BITMAPINFOHEADER*>(welcome.data());
    EXPECT_EQ(360, h->biWidth);
    EXPECT_EQ(128, h->biHeight);
    EXPECT_EQ(24, h->biBitCount);

    // Icon groups: one image each, 16 colours.
    for (auto [id, size] : {std::pair<int, int>{107, 32}, {108, 16}}) {
        std::vector<BYTE> group = Resource(RT_GROUP_ICON, id, Chinese);
        ASSERT_EQ(6u + 14u, group.size()) << id;
        EXPECT_EQ(1, *reinterpret_cast<const WORD*>(group.data() + 4));
        EXPECT_EQ(size, group[6]);
        EXPECT_EQ(size, group[7]);
        EXPECT_EQ(16, group[8]);
    }
}

TEST_F(InstallResources, ManifestAsksForAdministratorAndIsDpiAware)
{
    std::vector<BYTE> raw = Resource(RT_MANIFEST, 1, English);
    ASSERT_FALSE(raw.empty());
    std::string manifest(raw.begin(), raw.end());
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos, manifest.find("uiAccess=\"false\""));
    EXPECT_NE(std::string::npos, manifest.find(">true</dpiAware>"));
}

// The bitmap resources that the dialog's picture controls show, in template
// order.
std::vector<int> PictureIds(int dialogId)
{
    std::vector<int> ids;
    std::vector<BYTE> raw = ResourceBytes(InstanceHandle, RT_DIALOG, dialogId, Chinese);
    if (raw.empty())
        return ids;
    for (const DialogItem& item : DecodeDialog(raw).items)
        if (item.classAtom == StaticClass && (item.style & SS_TYPEMASK) == SS_BITMAP)
            ids.push_back(atoi(item.text.c_str() + 1));
    return ids;
}

// The pixels that draw paints into a width x height 32-bit bitmap.
std::vector<DWORD> Drawn(int width, int height, const std::function<void(HDC)>& draw)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP target = CreateTopDownDib(screen, width, height, &bits);
    HGDIOBJ old = SelectObject(memory, target);
    draw(memory);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(target);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// True when the control's client area is the bitmap resource's size and
// shows the resource's own pixels.
bool ShowsBitmapAsItIs(HWND control, int bitmapId)
{
    HBITMAP own = LoadBitmapA(InstanceHandle, MAKEINTRESOURCEA(bitmapId));
    BITMAP size = {};
    GetObjectA(own, sizeof size, &size);
    RECT client = {};
    GetClientRect(control, &client);
    printf("bitmap %d (%ldx%ld): client area %ldx%ld\n", bitmapId, size.bmWidth, size.bmHeight, client.right,
           client.bottom);
    bool same = own != nullptr && client.right == size.bmWidth && client.bottom == size.bmHeight &&
                Drawn(size.bmWidth, size.bmHeight, [&](HDC dc) {
                    SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
                }) == Drawn(size.bmWidth, size.bmHeight, [&](HDC dc) {
                    HDC from = CreateCompatibleDC(dc);
                    HGDIOBJ old = SelectObject(from, own);
                    BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, from, 0, 0, SRCCOPY);
                    SelectObject(from, old);
                    DeleteDC(from);
                });
    DeleteObject(own);
    return same;
}

// True when a picture control of the dialog covers part of the control.
bool UnderAPicture(HWND dialog, HWND control)
{
    RECT covered = {}, own = WindowRectOf(control);
    for (HWND other = GetWindow(dialog, GW_CHILD); other; other = GetWindow(other, GW_HWNDNEXT)) {
        RECT picture = WindowRectOf(other);
        if ((GetWindowLongA(other, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP && IntersectRect(&covered, &own, &picture)) {
            printf("text at %ld,%ld-%ld,%ld under the picture at %ld,%ld-%ld,%ld\n", own.left, own.top, own.right,
                   own.bottom, picture.left, picture.top, picture.right, picture.bottom);
            return true;
        }
    }
    return false;
}

// The Welcome and Progress dialogs, made from the built program in a process
// of the prefix's current DPI. At 96 DPI every picture control shows its
// bitmap as it is, at its own size; at other scales the picture fills its
// control. Every text shows whole inside its own control, and no picture
// covers any of it. Exit code: the number of controls that fail.
TEST_CHILD_ACTION(CountMisfitWizardControls)
{
    (void)argument;
    InstanceHandle = LoadLibraryExA(InstallExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HDC screen = GetDC(nullptr);
    bool ownSize = GetDeviceCaps(screen, LOGPIXELSY) == 96;
    ReleaseDC(nullptr, screen);
    int misfits = 0;
    for (int id : {IDD_WELCOME, IDD_PROGRESS}) {
        DLGPROC procedure = id == IDD_WELCOME ? WelcomeDialogProc : ProgressDialogProc;
        HWND dialog = CreateDialogParamA(InstanceHandle, MAKEINTRESOURCEA(id), nullptr, procedure, 0);
        if (dialog == nullptr)
            return 100;
        std::vector<int> pictures = PictureIds(id);
        size_t picture = 0;
        for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
            char className[16] = {}, text[512] = {};
            GetClassNameA(control, className, sizeof className);
            LONG type = GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK;
            if (_stricmp(className, "Static") != 0 || (type != SS_BITMAP && type != SS_LEFT))
                continue;
            RECT client = {}, needed = {};
            GetClientRect(control, &client);
            if (type == SS_BITMAP && ownSize) {
                misfits += picture >= pictures.size() || !ShowsBitmapAsItIs(control, pictures[picture]);
                ++picture;
                continue;
            }
            if (type == SS_BITMAP) {
                BITMAP shown = {};
                GetObjectA(reinterpret_cast<HBITMAP>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0)),
                           sizeof shown, &shown);
                printf("picture %ldx%ld: client area %ldx%ld\n", shown.bmWidth, shown.bmHeight, client.right,
                       client.bottom);
                misfits += shown.bmWidth != client.right || shown.bmHeight != client.bottom;
                continue;
            }
            GetWindowTextA(control, text, sizeof text);
            HDC dc = GetDC(control);
            HGDIOBJ font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
            needed.right = client.right;
            DrawTextA(dc, text, -1, &needed, DT_WORDBREAK | DT_EXPANDTABS | DT_CALCRECT);
            SelectObject(dc, font);
            ReleaseDC(control, dc);
            misfits += needed.bottom > client.bottom || UnderAPicture(dialog, control);
        }
        DestroyWindow(dialog);
    }
    return misfits;
}

TEST(WizardAtScreenScales, PicturesAtTheirOwnSizeAt96DpiFittedElsewhereAndTextsShowWhole)
{
    for (DWORD dpi : {96u, 120u, 144u}) {
        ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", dpi));
        ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts",
                               "LogPixels", dpi));
        EXPECT_EQ(0, RunChild("CountMisfitWizardControls")) << dpi << " DPI";
    }
    WriteDword(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", 96);
    WriteDword(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts",
               "LogPixels", 96);
}

}  // namespace
