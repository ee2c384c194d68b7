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

// One attribute of a media type: a GUID value, or a UINT32/UINT64 number.
struct Attribute
{
    Attribute(const GUID& attributeKey, const GUID& value) : key(attributeKey), guid(value) {}
    Attribute(const GUID& attributeKey, std::uint64_t value) : key(attributeKey), number(value) {}
    bool operator==(const Attribute&) const = default;

    GUID key;
    GUID guid = {};
    std::uint64_t number = 0;
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
    DWORD inputStreamIndex = 0xFFFFFFFF; // as given to SetInputMediaType
    std::vector<WrittenSample> samples;
    std::atomic<int> liveWriters = 0;
    std::wstring failingCall; // this method returns E_FAIL
};

// A factory for VideoWriter that hands out one FakeSinkWriter per call,
// each reporting to `log`.
TavixCapture::SinkWriterFactory MakeFakeSinkWriterFactory(std::shared_ptr<SinkWriterLog> log);

} // namespace SavingTests
