# Helpers shared by the Windows targets.

# A delay-import library for the system DLL `name` (<name>.dll), made from
# the toolchain's import library: every function that names is loaded at its
# first call instead of when the program starts.
function(tavix_delay_import_library name out_var)
  set(folder ${CMAKE_BINARY_DIR}/delayimp)
  set(library ${folder}/lib${name}_delay.a)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${name}.a
                  OUTPUT_VARIABLE import_library OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import_library}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed OR NOT EXISTS ${import_library})
    message(FATAL_ERROR "cannot read the import library of ${name}.dll (${import_library})")
  endif()
  string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z0-9_]+" functions "${symbols}")
  list(TRANSFORM functions REPLACE "^[0-9a-f]+ T " "")
  list(REMOVE_DUPLICATES functions)
  list(JOIN functions "\n" exports)
  file(MAKE_DIRECTORY ${folder})
  file(WRITE ${folder}/${name}.def "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${folder}/${name}.def --dllname ${name}.dll
                          --output-delaylib ${library}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot make the delay-import library of ${name}.dll")
  endif()
  set(${out_var} ${library} PARENT_SCOPE)
endfunction()

# Media Foundation is delay-loaded: Windows editions without the media
# components (the N editions) have none of its DLLs, and a program that
# imports them at load time does not start at all, also when DirectShow is
# chosen. MediaFoundationLibraries checks for them before the first call.
# (Only the Windows build links them; the native kernel build shares the
# other helpers of this file.)
if(WIN32)
  tavix_delay_import_library(mfplat TAVIX_MFPLAT)
  tavix_delay_import_library(mf TAVIX_MF)
  tavix_delay_import_library(mfreadwrite TAVIX_MFREADWRITE)
endif()

# Platform libraries the capture, imaging and UI code link against.
set(TAVIX_PLATFORM_LIBS
    ole32 oleaut32 uuid windowscodecs vfw32 ${TAVIX_MFPLAT} ${TAVIX_MF} ${TAVIX_MFREADWRITE} mfuuid d2d1 strmiids
    comctl32 shell32 comdlg32 shlwapi version user32 gdi32 dwrite)

function(tavix_warnings target)
  target_compile_options(${target} PRIVATE ${TAVIX_WARNINGS})
endfunction()

# Sources whose file name ends in Avx2.cpp (Avx512.cpp, Avx512Vbmi.cpp) are
# the AVX2 (AVX-512 BW, AVX-512 VBMI) variants of a kernel; only they are
# compiled for that instruction set and are called only after a run-time
# check.
function(tavix_simd_flags)
  foreach(src ${ARGN})
    if(src MATCHES "Avx2\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mavx2;-mfma;-mbmi;-mbmi2")
    elseif(src MATCHES "Avx512\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mavx2;-mfma;-mbmi;-mbmi2;-mavx512f;-mavx512bw")
    elseif(src MATCHES "Avx512Vbmi\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS
                                  "-mavx2;-mfma;-mbmi;-mbmi2;-mavx512f;-mavx512bw;-mavx512vbmi")
    endif()
  endforeach()
endfunction()

# CTest entry "<name>": checks that the kernel objects of `target` hold no
# instruction of a higher set than their file is meant for, and share no
# code with each other (scripts/check-kernel-isa.sh).
function(tavix_kernel_isa_test name target)
  add_test(NAME ${name}
           COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-kernel-isa.sh ${CMAKE_OBJDUMP} ${CMAKE_NM}
                   $<TARGET_OBJECTS:${target}>
           COMMAND_EXPAND_LISTS)
endfunction()
