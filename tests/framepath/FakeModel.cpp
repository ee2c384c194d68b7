#include "FakeModel.h"

#include <gtest/gtest.h>

#include <stdexcept>

FakeModel::FakeModel(bool withProbe) : profile(folder.File(L"TavixCapture.ini"))
{
    cam0 = std::make_shared<TestSupport::FakeDevice>(
        L"Camera 0", L"\\\\?\\cam0",
        std::initializer_list<TestSupport::FormatInfo>{{L"YUY2", 640, 480, 30.0}, {L"YUY2", 320, 240, 30.0}});
    cam1 = std::make_shared<TestSupport::FakeDevice>(
        L"Camera 1", L"\\\\?\\cam1",
        std::initializer_list<TestSupport::FormatInfo>{{L"NV12", 160, 120, 15.0}});
    model = std::make_unique<TavixCapture::MainModel>(
        profile,
        [this](std::int32_t, bool, bool) {
            return TestSupport::MakeCapture({cam0, cam1});
        },
        0, true, false, withProbe ? ProbeFolder() : folder.Path());
}

FakeModel::~FakeModel()
{
    // As the main window does before the model goes.
    cam0->ClearSink();
    cam1->ClearSink();
}

std::wstring FakeModel::ProbeFolder()
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

FrameProbeLog& FakeModel::ProbeLog()
{
    // Kept loaded for the life of the test process: the model loads and
    // unloads its own reference to the same library.
    static const HMODULE library = LoadLibraryW((ProbeFolder() + L"TavixFrameProbe.dll").c_str());
    const auto get = library != nullptr ? reinterpret_cast<GetFrameProbeLogFunction>(reinterpret_cast<void*>(
                                              GetProcAddress(library, "GetFrameProbeLog")))
                                        : nullptr;
    if (get == nullptr)
    {
        throw std::runtime_error("TavixFrameProbe.dll or its GetFrameProbeLog is missing");
    }
    return *get();
}
