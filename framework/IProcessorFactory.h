// Tavix::Framework::IProcessorFactory: what a plug-in library hands the host
// from its one export, GetProcessorFactory. The host asks it once for the
// number of processors and once for each name, and creates a processor each
// time the user selects one. UI thread.
//
// A plug-in exports, undecorated:
//   extern "C" __declspec(dllexport) HRESULT __stdcall
//   GetProcessorFactory(Tavix::Framework::IProcessorFactory** factory);
// which stores a referenced factory in *factory (null on entry), and marks
// the interface version it was built for (TAVIX_PLUGIN_INTERFACE_VERSION).
#pragma once

#include "framework/IProcessor.h"

#include <string>

namespace Tavix::Framework
{

// The host never asks for this identifier; it lets a plug-in's own code
// tell its factory apart.
// {302FF668-CAA2-4041-8D53-FDAA782E40C2}
inline constexpr IID IID_IProcessorFactory = {
    0x302ff668, 0xcaa2, 0x4041, {0x8d, 0x53, 0xfd, 0xaa, 0x78, 0x2e, 0x40, 0xc2}};

struct TAVIX_INTERFACE_ID("302FF668-CAA2-4041-8D53-FDAA782E40C2") IProcessorFactory : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetProcessorCount(INT32* count) = 0;
    // Assigns the display name of processor `index` to `name` (empty on entry,
    // owned by the host).
    virtual HRESULT STDMETHODCALLTYPE GetProcessorName(INT32 index, std::wstring& name) = 0;
    // Stores a new processor with one reference in *processor (null on entry).
    virtual HRESULT STDMETHODCALLTYPE CreateProcessor(INT32 index, IProcessor** processor) = 0;
};

// The export's type and name, as the host looks it up.
using GetProcessorFactoryFunction = HRESULT(__stdcall*)(IProcessorFactory** factory);
inline constexpr char GetProcessorFactoryExport[] = "GetProcessorFactory";

// The version of this contract (the interfaces' slots, their arguments and
// the types that cross). A library states the version it was built for with
// TAVIX_PLUGIN_INTERFACE_VERSION, an exported constant the host reads before
// it calls anything; a library of another version is left out, and one
// without the mark is taken as version 1.
inline constexpr UINT32 InterfaceVersion = 1;
inline constexpr char InterfaceVersionExport[] = "TavixInterfaceVersion";

} // namespace Tavix::Framework

// Put once into one source file of a plug-in, at namespace scope.
#define TAVIX_PLUGIN_INTERFACE_VERSION                                                                       \
    extern "C" __declspec(dllexport) const UINT32 TavixInterfaceVersion = ::Tavix::Framework::InterfaceVersion

#if defined(__CRT_UUID_DECL)
__CRT_UUID_DECL(Tavix::Framework::IProcessorFactory, 0x302ff668, 0xcaa2, 0x4041, 0x8d, 0x53, 0xfd, 0xaa, 0x78,
                0x2e, 0x40, 0xc2)
#endif
