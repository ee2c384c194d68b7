#include "ProbeLibrary.h"

#include <windows.h>

#include <stdexcept>

namespace ProbeLibrary
{

std::wstring Folder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
    {
        throw std::runtime_error("GetModuleFileNameW failed");
    }
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L'\\') + 1);
    return folder + L"frameprobe\\";
}

FrameProbeLog& Log()
{
    // Kept loaded for the life of the test process: the model loads and
    // unloads its own reference to the same library.
    static const HMODULE library = LoadLibraryW((Folder() + L"TavixFrameProbe.dll").c_str());
    const auto get = library != nullptr ? reinterpret_cast<GetFrameProbeLogFunction>(reinterpret_cast<void*>(
                                              GetProcAddress(library, "GetFrameProbeLog")))
                                        : nullptr;
    if (get == nullptr)
    {
        throw std::runtime_error("TavixFrameProbe.dll or its GetFrameProbeLog is missing");
    }
    return *get();
}

} // namespace ProbeLibrary
