// How the plug-in contract attaches a 16-byte interface identifier to an
// interface type, so that __uuidof(T) works with both MSVC and mingw-w64.
#pragma once

#include <unknwn.h>

// MSVC reads the identifier from the declaration; mingw-w64 from the
// __CRT_UUID_DECL that follows each interface.
#if defined(_MSC_VER)
#define TAVIX_INTERFACE_ID(iid) __declspec(uuid(iid)) __declspec(novtable)
#else
#define TAVIX_INTERFACE_ID(iid)
#endif
