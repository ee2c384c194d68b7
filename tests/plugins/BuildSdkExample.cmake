# Installs the SDK from the build tree and builds the example plug-in that
# the SDK carries against it alone, as a plug-in author would (the plug-in
# suite then loads it), and the measurement plug-in from its sources.
# Arguments: -DBUILD_DIR=<program build> -DSOURCE_DIR=<program source>
#            -DOUTPUT_DIR=<where the DLL goes> -DGENERATOR=<generator>
set(sdk ${BUILD_DIR}/sdk)
set(example ${BUILD_DIR}/sdk-example)
file(REMOVE_RECURSE ${sdk} ${example})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${output}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${sdk} --component sdk)
run(${CMAKE_COMMAND} -S ${sdk}/example -B ${example} -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${sdk} -DCMAKE_TOOLCHAIN_FILE=${sdk}/lib/cmake/TavixSdk/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${OUTPUT_DIR})
run(${CMAKE_COMMAND} --build ${example} --parallel 2)
if(NOT EXISTS ${OUTPUT_DIR}/TavixNegative.dll)
  message(FATAL_ERROR "no ${OUTPUT_DIR}/TavixNegative.dll")
endif()
message(STATUS "built ${OUTPUT_DIR}/TavixNegative.dll from the installed SDK")

# The measurement plug-in needs nothing the SDK does not ship either.
set(measure ${BUILD_DIR}/sdk-measure)
file(REMOVE_RECURSE ${measure})
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/plugins/measure -B ${measure} -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${sdk} -DCMAKE_TOOLCHAIN_FILE=${sdk}/lib/cmake/TavixSdk/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${measure} --parallel 2)
if(NOT EXISTS ${measure}/TavixMeasure.dll)
  message(FATAL_ERROR "no ${measure}/TavixMeasure.dll")
endif()
message(STATUS "built ${measure}/TavixMeasure.dll from the installed SDK")
