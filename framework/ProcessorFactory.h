// Tavix::Framework::ProcessorFactory: a ready-made IProcessorFactory over a
// fixed table of processors (display name and creation function), for
// plug-ins that need nothing more. Its count starts at 1: the creator owns the
// first reference. UI thread; AddRef and Release from any thread.
//
//   extern "C" __declspec(dllexport) HRESULT __stdcall
//   GetProcessorFactory(Tavix::Framework::IProcessorFactory** factory)
//   {
//       return Tavix::Framework::ProcessorFactory::Create(
//           {{L"グレースケール", []() -> Tavix::Framework::IProcessor* { return new Grayscale; }}},
//           factory);
//   }
#pragma once

#include "framework/IProcessorFactory.h"

#include <string>
#include <vector>

namespace Tavix::Framework
{

class ProcessorFactory : public IProcessorFactory
{
public:
    struct Entry
    {
        std::wstring name;
        // A new processor holding one reference (for example `new MyProcessor`).
        IProcessor* (*create)();
    };

    // Stores a new factory over `entries` in *factory; the catch-all of the export.
    static HRESULT Create(std::vector<Entry> entries, IProcessorFactory** factory) noexcept;

    explicit ProcessorFactory(std::vector<Entry> entries);
    ProcessorFactory(const ProcessorFactory&) = delete;
    ProcessorFactory& operator=(const ProcessorFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetProcessorCount(INT32* count) override;
    HRESULT STDMETHODCALLTYPE GetProcessorName(INT32 index, std::wstring& name) override;
    HRESULT STDMETHODCALLTYPE CreateProcessor(INT32 index, IProcessor** processor) override;

protected:
    // Release destroys the object when the count reaches zero.
    virtual ~ProcessorFactory() = default;

private:
    bool IsValid(INT32 index) const noexcept;

    volatile LONG referenceCount_ = 1;
    const std::vector<Entry> entries_;
};

} // namespace Tavix::Framework
