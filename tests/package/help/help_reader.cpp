// Copies one file out of a compiled help file through the platform's help
// storage (itss.dll), as the help viewer reads it:
//   help_reader.exe HELP.chm INNER/NAME OUTPUT
// Exit code 0 when copied, 2 when the help file can't be opened, 3 when the
// inner file is not there, 4 when the output can't be written.
// Kept to plain stack buffers and one straight path: Wine's help storage has
// shown itself sensitive to the caller's memory layout.
#include <windows.h>

#include <objbase.h>

#include <cstring>

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

int main(int argc, char** argv)
{
    if (argc != 4)
        return 1;
    CoInitialize(nullptr);
    IITStorage* help = nullptr;
    if (CoCreateInstance(CLSID_ITStorage, nullptr, CLSCTX_INPROC_SERVER, IID_IITStorage,
                         reinterpret_cast<void**>(&help)) != S_OK)
        return 2;
    wchar_t path[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH * 2);
    IStorage* root = nullptr;
    if (help->StgOpenStorage(path, nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &root) != S_OK)
        return 2;

    char name[MAX_PATH];
    lstrcpynA(name, argv[2], MAX_PATH);
    IStorage* folder = root;
    char* leaf = name;
    char* slash = strchr(name, '/');
    wchar_t wide[MAX_PATH];
    if (slash) {
        *slash = '\0';
        MultiByteToWideChar(CP_ACP, 0, name, -1, wide, MAX_PATH);
        if (root->OpenStorage(wide, nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &folder) != S_OK)
            return 3;
        leaf = slash + 1;
    }
    MultiByteToWideChar(CP_ACP, 0, leaf, -1, wide, MAX_PATH);
    IStream* stream = nullptr;
    if (folder->OpenStream(wide, nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, 0, &stream) != S_OK)
        return 3;
    HANDLE file = CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 4;
    char buffer[4096];
    ULONG read = 0;
    while (stream->Read(buffer, sizeof(buffer), &read) == S_OK && read > 0) {
        DWORD written = 0;
        WriteFile(file, buffer, read, &written, nullptr);
    }
    CloseHandle(file);
    // The process ends here; its storage objects go with it.
    ExitProcess(0);
}
