#include "block_test_support.h"

#include "deployment.h"
#include "test_support.h"

std::string PackageText(const std::string& name, const std::string& tag)
{
    return name + " " + tag;
}

void WritePackage(const std::string& dir, const std::string& tag)
{
    CreateDirectoryA(dir.c_str(), nullptr);
    for (const std::string& name : PackageFileNames()) {
        std::string path = JoinPath(dir, name);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteTextFile(path, PackageText(name, tag));
    }
}

void ForceDelete(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

void RemoveDeployment()
{
    for (const std::string& name : PackageFileNames())
        ForceDelete(JoinPath(InstallDirectoryPath(), name));
    for (bool consumer : {false, true})
        for (const std::string& target : SecondTargets(consumer))
            ForceDelete(target);
}

RunningChild::RunningChild(const char* name, const std::string& argument, const std::string& program)
{
    child_.Start(ChildCommandLine(name, argument, program));
}

RunningChild::~RunningChild()
{
    if (child_.Running())
        child_.Wait(10000);
}

int RunningChild::Finish(DWORD timeoutMs)
{
    return child_.Wait(timeoutMs);
}

HANDLE CreateNamedEvent(const char* name)
{
    return CreateEventA(nullptr, TRUE, FALSE, name);
}
