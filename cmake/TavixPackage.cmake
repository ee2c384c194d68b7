# The release package: TavixCapture-<version>-win64.zip with the program, the
# sample plug-ins, the virtual camera, the plug-in SDK and the README for
# Windows users, plus TavixCapture-<version>-win64-symbols.zip with the debug
# information split off the packaged binaries (for crash analysis).
#
#   cmake --build --preset windows --target release-package
#
# The version is the project's VERSION, the same that feeds the version
# resource. The binaries are built optimised (-O2); on installing into the
# package, each gets its debug information copied into <name>.dbg (kept in
# build/release/symbols) and is then stripped, with a debug link naming
# that file, so a debugger finds the symbols when the .dbg is put beside it.

include(GNUInstallDirs)

set(TAVIX_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
set(TAVIX_SYMBOLS_DIR ${TAVIX_RELEASE_DIR}/symbols)

# Installs the runtime file of `target` into `destination`, split from its
# symbols as described above.
function(tavix_install_stripped target destination)
  install(TARGETS ${target} RUNTIME DESTINATION ${destination} COMPONENT program
          LIBRARY DESTINATION ${destination} COMPONENT program)
  install(CODE "
    set(file \"\${CMAKE_INSTALL_PREFIX}/${destination}/$<TARGET_FILE_NAME:${target}>\")
    set(debug \"${TAVIX_SYMBOLS_DIR}/$<TARGET_FILE_NAME:${target}>.dbg\")
    file(MAKE_DIRECTORY \"${TAVIX_SYMBOLS_DIR}\")
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --only-keep-debug \"\${file}\" \"\${debug}\"
                    RESULT_VARIABLE keep)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --strip-debug --strip-unneeded
                            \"--add-gnu-debuglink=\${debug}\" \"\${file}\"
                    RESULT_VARIABLE strip)
    if(NOT keep EQUAL 0 OR NOT strip EQUAL 0)
      message(FATAL_ERROR \"splitting the symbols off \${file} failed\")
    endif()" COMPONENT program)
endfunction()

tavix_install_stripped(TavixCapture .)
foreach(plugin TavixGrayscale TavixThreshold TavixRuler)
  if(TARGET ${plugin})
    tavix_install_stripped(${plugin} .)
  endif()
endforeach()
if(TARGET VirtualCamera)
  tavix_install_stripped(VirtualCamera VirtualCamera)
  install(FILES ${CMAKE_SOURCE_DIR}/package/VirtualCamera.txt DESTINATION VirtualCamera COMPONENT program)
endif()
foreach(readme README.txt README-ja.txt)
  configure_file(${CMAKE_SOURCE_DIR}/package/${readme} ${TAVIX_RELEASE_DIR}/${readme} @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${TAVIX_RELEASE_DIR}/${readme} DESTINATION . COMPONENT program)
endforeach()

# The plug-in SDK: the contract's headers, the libraries a plug-in links
# (tavix_framework with the small base and the window layer for settings
# pages) and a CMake package, so that find_package(TavixSDK) gives the
# target TavixSDK::tavix_framework. Built with mingw-w64 g++ (posix).
set(TAVIX_SDK_DIR sdk)
install(TARGETS tavix_framework tavix_base tavix_ui EXPORT TavixSDK
        ARCHIVE DESTINATION ${TAVIX_SDK_DIR}/lib COMPONENT program
        INCLUDES DESTINATION ${TAVIX_SDK_DIR}/include)
# The libraries go without their debug information, as the binaries do.
install(CODE "
  file(GLOB archives \"\${CMAKE_INSTALL_PREFIX}/${TAVIX_SDK_DIR}/lib/*.a\")
  foreach(archive \${archives})
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --strip-debug \"\${archive}\" RESULT_VARIABLE strip)
    if(NOT strip EQUAL 0)
      message(FATAL_ERROR \"stripping \${archive} failed\")
    endif()
  endforeach()" COMPONENT program)
install(EXPORT TavixSDK NAMESPACE TavixSDK:: FILE TavixSDKTargets.cmake
        DESTINATION ${TAVIX_SDK_DIR}/lib/cmake/TavixSDK COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/package/TavixSDKConfig.cmake
        DESTINATION ${TAVIX_SDK_DIR}/lib/cmake/TavixSDK COMPONENT program)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/framework/ DESTINATION ${TAVIX_SDK_DIR}/include/framework
        COMPONENT program FILES_MATCHING PATTERN "*.h")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Common/ui/ DESTINATION ${TAVIX_SDK_DIR}/include/Common/ui
        COMPONENT program FILES_MATCHING PATTERN "*.h")
install(FILES ${CMAKE_SOURCE_DIR}/Common/ComInitializer.h ${CMAKE_SOURCE_DIR}/Common/ComPointer.h
              ${CMAKE_SOURCE_DIR}/Common/CriticalSection.h ${CMAKE_SOURCE_DIR}/Common/Exception.h
              ${CMAKE_SOURCE_DIR}/Common/TaskMemory.h ${CMAKE_SOURCE_DIR}/Common/TextHelpers.h
              ${CMAKE_SOURCE_DIR}/Common/UniqueHandle.h ${CMAKE_SOURCE_DIR}/Common/VersionInformation.h
        DESTINATION ${TAVIX_SDK_DIR}/include/Common COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/Common/capture/FrameBuffer.h
        DESTINATION ${TAVIX_SDK_DIR}/include/Common/capture COMPONENT program)
if(EXISTS ${CMAKE_SOURCE_DIR}/plugins/Grayscale)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/plugins/Grayscale/ DESTINATION ${TAVIX_SDK_DIR}/example/Grayscale
          COMPONENT program)
  install(FILES ${CMAKE_SOURCE_DIR}/package/ExampleCMakeLists.txt DESTINATION ${TAVIX_SDK_DIR}/example
          RENAME CMakeLists.txt COMPONENT program)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME TavixCapture)
set(CPACK_PACKAGE_VENDOR TavixCapture)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME TavixCapture-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${TAVIX_RELEASE_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENTS_ALL program)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
include(CPack)

set(TAVIX_PACKAGE_DEPENDS TavixCapture VirtualCamera tavix_framework tavix_base tavix_ui)
foreach(plugin TavixGrayscale TavixThreshold TavixRuler)
  if(TARGET ${plugin})
    list(APPEND TAVIX_PACKAGE_DEPENDS ${plugin})
  endif()
endforeach()
add_custom_target(release-package
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${TAVIX_SYMBOLS_DIR}
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  COMMAND ${CMAKE_COMMAND} -E chdir ${TAVIX_SYMBOLS_DIR}
          ${CMAKE_COMMAND} -E tar cf ${TAVIX_RELEASE_DIR}/TavixCapture-${PROJECT_VERSION}-win64-symbols.zip
          --format=zip .
  COMMAND ${CMAKE_COMMAND} -E echo "Package: ${TAVIX_RELEASE_DIR}/TavixCapture-${PROJECT_VERSION}-win64.zip"
  COMMAND ${CMAKE_COMMAND} -E echo "Symbols: ${TAVIX_RELEASE_DIR}/TavixCapture-${PROJECT_VERSION}-win64-symbols.zip"
  DEPENDS ${TAVIX_PACKAGE_DEPENDS}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  VERBATIM)
