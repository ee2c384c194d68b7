# find_package(TavixSDK) for processor plug-ins of TavixCapture: gives the
# target TavixSDK::tavix_framework (the plug-in contract with ProcessorBase,
# ProcessorFactory and the small base library) and TavixSDK::tavix_ui (the
# window layer for settings pages). Build with mingw-w64 g++ (posix), C++20,
# with UNICODE and _UNICODE defined.
include(${CMAKE_CURRENT_LIST_DIR}/TavixSDKTargets.cmake)
