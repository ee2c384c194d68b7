# The plug-in SDK: `cmake --install build --prefix <dir> --component sdk`
# puts the plug-in contract (tavix_framework), the small base it needs
# (tavix_base: errors, COM and lock helpers, the frame) and the window layer
# for settings pages (tavix_ui) with their headers into <dir>, with a CMake
# package, so that a plug-in builds out of tree with
#   find_package(TavixSdk REQUIRED)  and  tavix_add_plugin(TavixMine ...)
# README "Writing a plug-in" walks through one.
include(CMakePackageConfigHelpers)

set_target_properties(tavix_base PROPERTIES EXPORT_NAME base)
set_target_properties(tavix_ui PROPERTIES EXPORT_NAME ui)
set_target_properties(tavix_framework PROPERTIES EXPORT_NAME framework)
install(TARGETS tavix_base tavix_ui tavix_framework EXPORT TavixSdkTargets
        ARCHIVE DESTINATION lib COMPONENT sdk)
install(EXPORT TavixSdkTargets NAMESPACE Tavix:: DESTINATION lib/cmake/TavixSdk COMPONENT sdk)

install(FILES ${CMAKE_SOURCE_DIR}/Common/ComInitializer.h ${CMAKE_SOURCE_DIR}/Common/ComPointer.h
              ${CMAKE_SOURCE_DIR}/Common/CriticalSection.h ${CMAKE_SOURCE_DIR}/Common/Exception.h
              ${CMAKE_SOURCE_DIR}/Common/PerformanceCounter.h ${CMAKE_SOURCE_DIR}/Common/TextHelpers.h
              ${CMAKE_SOURCE_DIR}/Common/UniqueHandle.h
        DESTINATION include/Common COMPONENT sdk)
# The example plug-in and the guide, beside the SDK they build against.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/sdk/example DESTINATION . COMPONENT sdk)
install(FILES ${CMAKE_SOURCE_DIR}/docs/plugins.md DESTINATION . COMPONENT sdk)
install(FILES ${CMAKE_SOURCE_DIR}/Common/capture/FrameBuffer.h DESTINATION include/Common/capture COMPONENT sdk)
file(GLOB TAVIX_SDK_UI_HEADERS ${CMAKE_SOURCE_DIR}/Common/ui/*.h)
install(FILES ${TAVIX_SDK_UI_HEADERS} DESTINATION include/Common/ui COMPONENT sdk)
file(GLOB TAVIX_SDK_FRAMEWORK_HEADERS ${CMAKE_SOURCE_DIR}/framework/*.h)
install(FILES ${TAVIX_SDK_FRAMEWORK_HEADERS} DESTINATION include/framework COMPONENT sdk)

string(REGEX MATCH "^[0-9]+" TAVIX_SDK_MAJOR ${CMAKE_CXX_COMPILER_VERSION})
# The C runtime and the C++ string ABI the program is built with; a plug-in
# must match both (TavixSdkConfig.cmake checks them when it is configured).
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("#include <cstdlib>\n#if !defined(_UCRT)\n#error msvcrt\n#endif\nint main() {}"
                          TAVIX_SDK_ON_UCRT)
check_cxx_source_compiles("#include <string>\n#if !_GLIBCXX_USE_CXX11_ABI\n#error old\n#endif\nint main() {}"
                          TAVIX_SDK_CXX11_ABI)
if(TAVIX_SDK_ON_UCRT)
  set(TAVIX_SDK_CRT ucrt)
else()
  set(TAVIX_SDK_CRT msvcrt)
endif()
if(TAVIX_SDK_CXX11_ABI)
  set(TAVIX_SDK_STRING_ABI 1)
else()
  set(TAVIX_SDK_STRING_ABI 0)
endif()
math(EXPR TAVIX_SDK_NEXT_MAJOR "${TAVIX_SDK_MAJOR} + 1")
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/TavixSdkConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/sdk-package/TavixSdkConfig.cmake
                              INSTALL_DESTINATION lib/cmake/TavixSdk)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/sdk-package/TavixSdkConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/sdk-package/TavixSdkConfig.cmake
              ${CMAKE_BINARY_DIR}/sdk-package/TavixSdkConfigVersion.cmake
              ${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
        DESTINATION lib/cmake/TavixSdk COMPONENT sdk)
