#include "block_test_support.h"

#include "deployment.h"
#include "test_support.h"

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

HANDLE CreateNamedEvent(const char* name)
{
    return CreateEventA(nullptr, TRUE, FALSE, name);
}
