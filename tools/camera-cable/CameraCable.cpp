// camera-cable.exe: what the end-to-end tests do to the machine and read off
// the running program, one command a line on standard input, one answer a
// line on standard output ("ok", a value, or "error" and why):
//   unplug | replug   pull or plug back the virtual camera's cable
//   add | remove      plug in or pull a second virtual camera
//                     ("Tavix Second Camera", a path of its own)
//   text ID           the text of the program's control ID
//   count ID          the number of entries of the program's combo box ID
//   status N          the text of pane N of the program's status bar
//   counters          handles, threads and private bytes of the program
// Every change of cameras is followed by what Windows then sends every
// top-level window: WM_DEVICECHANGE with DBT_DEVNODES_CHANGED.
// VirtualCamera.dll is taken from this program's folder.
#include "ConsoleOutput.h"
#include "ProgramWindow.h"

#include "Common/ComInitializer.h"
#include "Common/Exception.h"

#include <windows.h>

#include <dbt.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

namespace
{

constexpr wchar_t ProgramTitle[] = L"Tavix Capture";
constexpr wchar_t SecondName[] = L"Tavix Second Camera";
constexpr wchar_t SecondPath[] =
    L"\\\\?\\root#tavix_second_camera#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}";

using PlugFunction = HRESULT(WINAPI*)();
using RegisterFunction = HRESULT(WINAPI*)(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*);
using UnregisterFunction = HRESULT(WINAPI*)(const wchar_t*);

HMODULE LoadCamera()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    Common::ThrowIfFalse(length != 0 && length < MAX_PATH);
    std::wstring dll(path, length);
    dll.erase(dll.find_last_of(L'\\') + 1);
    dll += L"VirtualCamera.dll";
    const HMODULE module = LoadLibraryW(dll.c_str());
    Common::ThrowIfFalse(module != nullptr);
    return module;
}

template <class Function> Function Export(HMODULE module, const char* name)
{
    const FARPROC address = GetProcAddress(module, name);
    Common::ThrowIfFalse(address != nullptr);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

ProgramWindow Program()
{
    std::optional<ProgramWindow> window = ProgramWindow::Find(ProgramTitle);
    if (!window)
    {
        throw Common::Exception(L"the program's window is not there");
    }
    return *window;
}

std::wstring Changed(HRESULT hr)
{
    Common::ThrowIfFailed(hr);
    PostMessageW(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    return L"ok";
}

std::wstring Answer(HMODULE camera, const std::wstring& line)
{
    std::wistringstream words(line);
    std::wstring command;
    int number = 0;
    words >> command >> number;
    if (command == L"unplug")
    {
        return Changed(Export<PlugFunction>(camera, "UnplugVirtualCamera")());
    }
    if (command == L"replug")
    {
        return Changed(Export<PlugFunction>(camera, "ReplugVirtualCamera")());
    }
    if (command == L"add")
    {
        return Changed(Export<RegisterFunction>(camera, "RegisterVirtualCameraInstance")(
            SecondName, SecondName, SecondPath, L"standard"));
    }
    if (command == L"remove")
    {
        return Changed(Export<UnregisterFunction>(camera, "UnregisterVirtualCameraInstance")(SecondName));
    }
    if (command == L"text")
    {
        return Program().ControlText(number);
    }
    if (command == L"count")
    {
        return std::to_wstring(Program().ComboCount(number));
    }
    if (command == L"status")
    {
        return Program().StatusText(number);
    }
    if (command == L"counters")
    {
        const ProgramWindow::Counters counters = Program().ReadCounters();
        return std::to_wstring(counters.handles) + L" " + std::to_wstring(counters.threads) + L" " +
               std::to_wstring(counters.privateBytes);
    }
    throw Common::Exception(L"unknown command");
}

} // namespace

int wmain()
{
    ConsoleOutput output(STD_OUTPUT_HANDLE);
    HMODULE camera = nullptr;
    std::optional<Common::ComInitializer> com; // the camera's registration is COM's
    try
    {
        com.emplace();
        camera = LoadCamera();
    }
    catch (const Common::Exception& error)
    {
        output.WriteLine(L"error VirtualCamera.dll: " + error.Message);
        return 1;
    }
    std::string bytes;
    while (std::getline(std::cin, bytes))
    {
        const std::wstring line(bytes.begin(), bytes.end()); // ASCII commands
        std::wstring answer;
        try
        {
            answer = Answer(camera, line);
        }
        catch (const Common::Exception& error)
        {
            wchar_t code[16] = {};
            std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(error.ErrorCode));
            answer = L"error " + std::wstring(code) + L" " + error.Message;
        }
        if (!output.WriteLine(answer))
        {
            return 1;
        }
    }
    return 0;
}
