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
foreach(plugin TavixGrayscale TavixThreshold TavixRuler TavixMeasure)
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

# The plug-in SDK (cmake/TavixSdk.cmake, component sdk) goes into sdk/,
# its libraries without their debug information, as the binaries.
install(CODE "
  file(GLOB archives \"\${CMAKE_INSTALL_PREFIX}/lib/*.a\")
  foreach(archive \${archives})
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --strip-debug \"\${archive}\" RESULT_VARIABLE strip)
    if(NOT strip EQUAL 0)
      message(FATAL_ERROR \"stripping \${archive} failed\")
    endif()
  endforeach()" COMPONENT sdk)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME TavixCapture)
set(CPACK_PACKAGE_VENDOR TavixCapture)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME TavixCapture-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${TAVIX_RELEASE_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Only the program's and the SDK's files, the SDK in its own folder.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${CMAKE_BINARY_DIR};TavixCapture;program;/;${CMAKE_BINARY_DIR};TavixCapture;sdk;/sdk")
include(CPack)

set(TAVIX_PACKAGE_DEPENDS TavixCapture VirtualCamera tavix_framework tavix_base tavix_ui)
foreach(plugin TavixGrayscale TavixThreshold TavixRuler TavixMeasure)
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
