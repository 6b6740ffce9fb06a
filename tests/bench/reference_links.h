// The installer's five Start-menu shortcuts as the reference programs make
// and remove them: target file in the install directory, link file name in
// the group, description, arguments.
#pragma once

struct ReferenceLink {
    const char* Target;
    const char* LinkName;
    const char* Description;
    const char* Arguments;
};

constexpr ReferenceLink ReferenceLinks[] = {
    {"Install.exe", "Uninstall QuorTouch.lnk", "Uninstall", "/u"},
    {"QuortouchUsb.chm", "Quortouch help.lnk", "Quortouch USB Touchscreen Help", nullptr},
    {"QuortouchUsb.exe", "Calibration.lnk", "Calibration", nullptr},
    {"RBtn.exe", "Right Button.lnk", "Right Button", nullptr},
    {"Write.exe", "HandWritting Demo.lnk", "HandWritting Demo", nullptr},
};
constexpr char ReferenceGroupName[] = "Quortouch USB Touchscreen";
