// FakeSinkWriter: a sink writer that records every call instead of encoding
// (Wine's sink writer cannot make WMV or MP4 files). What it saw lives in a
// shared SinkWriterLog the test keeps after the writer is gone. A call can be
// made to fail. Any thread; the log is read once the writer is idle.
#pragma once

#include "app/VideoWriter.h"

#include <windows.h>

#include <mfapi.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace SavingTests
{

struct Attribute
{
    GUID key;
    PROPVARIANT value; // VT_CLSID (puuid points into `guid`), VT_UI4 or VT_UI8
    GUID guid;
};

struct WrittenSample
{
    DWORD streamIndex;
    LONGLONG time;
    LONGLONG duration;
    std::vector<std::uint8_t> bytes;
};

struct SinkWriterLog
{
    std::wstring path;
    std::vector<std::wstring> calls;   // method names in call order
    std::vector<Attribute> outputType; // in the order the type holds them
    std::vector<Attribute> inputType;
    DWORD inputStreamIndex = 0xFFFFFFFF;  // as given to SetInputMediaType
    bool inputEncodingParameters = false; // non-null parameters given
    std::vector<WrittenSample> samples;
    int finalizeCount = 0;
    std::atomic<int> liveWriters = 0;
    std::wstring failingCall; // this method returns E_FAIL
};

// A factory for VideoWriter that hands out one FakeSinkWriter per call,
// each reporting to `log`.
TavixCapture::SinkWriterFactory MakeFakeSinkWriterFactory(std::shared_ptr<SinkWriterLog> log);

// The value of an attribute as a 64-bit number (UINT32 or UINT64 values).
std::uint64_t NumberOf(const Attribute& attribute);

} // namespace SavingTests
