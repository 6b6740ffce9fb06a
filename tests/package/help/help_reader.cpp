// Copies every file out of a compiled help file through the platform's help
// storage (itss.dll), as the help viewer reads it, in one process:
//   help_reader.exe HELP.chm OUTPUT_FOLDER
// Inner folders become folders of OUTPUT_FOLDER; the help file's own system
// entries (names starting with '#', '$' or ':') are left out.
// Exit code 0 when copied, 2 when the help file can't be opened, 3 when a
// folder can't be listed, 4 when an output can't be written.
// Kept to plain stack buffers: Wine's help storage has shown itself
// sensitive to the caller's memory layout.
#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <cwchar>

static const CLSID CLSID_ITStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
static const IID IID_IITStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

// The help storage's interface (itss.dll), in its vtable order.
struct IITStorage : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};

static const DWORD ReadShared = STGM_READ | STGM_SHARE_DENY_WRITE;

static int CopyStream(IStorage* folder, const wchar_t* name, const char* output)
{
    IStream* stream = nullptr;
    if (folder->OpenStream(name, nullptr, ReadShared, 0, &stream) != S_OK)
        return 3;
    HANDLE file = CreateFileA(output, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 4;
    char buffer[4096];
    ULONG read = 0;
    while (stream->Read(buffer, sizeof(buffer), &read) == S_OK && read > 0) {
        DWORD written = 0;
        WriteFile(file, buffer, read, &written, nullptr);
    }
    CloseHandle(file);
    return 0;
}

// Copies the files of one storage folder into output (created), and its
// folders below it.
static int CopyFolder(IStorage* folder, const char* output)
{
    CreateDirectoryA(output, nullptr);
    IEnumSTATSTG* entries = nullptr;
    if (folder->EnumElements(0, nullptr, 0, &entries) != S_OK)
        return 3;
    STATSTG entry;
    ULONG fetched = 0;
    int result = 0;
    while (result == 0 && entries->Next(1, &entry, &fetched) == S_OK && fetched == 1) {
        // Wine names an inner folder's entries with the folder in front.
        const wchar_t* leaf = wcsrchr(entry.pwcsName, L'/') ? wcsrchr(entry.pwcsName, L'/') + 1 : entry.pwcsName;
        char name[MAX_PATH], path[MAX_PATH * 2];
        WideCharToMultiByte(CP_ACP, 0, leaf, -1, name, sizeof name, nullptr, nullptr);
        if (name[0] != '#' && name[0] != '$' && name[0] != ':' && name[0] != '\0' &&
            _snprintf(path, sizeof path, "%s\\%s", output, name) > 0) {
            path[sizeof path - 1] = '\0';
            if (entry.type == STGTY_STORAGE) {
                IStorage* inner = nullptr;
                result = folder->OpenStorage(leaf, nullptr, ReadShared, nullptr, 0, &inner) == S_OK
                             ? CopyFolder(inner, path)
                             : 3;
            } else {
                result = CopyStream(folder, leaf, path);
            }
        }
        CoTaskMemFree(entry.pwcsName);
    }
    return result;
}

int main(int argc, char** argv)
{
    if (argc != 3)
        return 1;
    CoInitialize(nullptr);
    IITStorage* help = nullptr;
    if (CoCreateInstance(CLSID_ITStorage, nullptr, CLSCTX_INPROC_SERVER, IID_IITStorage,
                         reinterpret_cast<void**>(&help)) != S_OK)
        return 2;
    wchar_t path[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH * 2);
    IStorage* root = nullptr;
    if (help->StgOpenStorage(path, nullptr, ReadShared, nullptr, 0, &root) != S_OK)
        return 2;
    // The process ends here; its storage objects go with it.
    ExitProcess(CopyFolder(root, argv[2]));
}
