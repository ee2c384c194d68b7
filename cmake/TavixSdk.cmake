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
              ${CMAKE_SOURCE_DIR}/Common/TextHelpers.h
        DESTINATION include/Common COMPONENT sdk)
install(FILES ${CMAKE_SOURCE_DIR}/Common/capture/FrameBuffer.h DESTINATION include/Common/capture COMPONENT sdk)
file(GLOB TAVIX_SDK_UI_HEADERS ${CMAKE_SOURCE_DIR}/Common/ui/*.h)
install(FILES ${TAVIX_SDK_UI_HEADERS} DESTINATION include/Common/ui COMPONENT sdk)
file(GLOB TAVIX_SDK_FRAMEWORK_HEADERS ${CMAKE_SOURCE_DIR}/framework/*.h)
install(FILES ${TAVIX_SDK_FRAMEWORK_HEADERS} DESTINATION include/framework COMPONENT sdk)

string(REGEX MATCH "^[0-9]+" TAVIX_SDK_MAJOR ${CMAKE_CXX_COMPILER_VERSION})
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
