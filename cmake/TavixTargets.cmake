# Helpers shared by the Windows targets.

# Platform libraries the capture, imaging and UI code link against.
set(TAVIX_PLATFORM_LIBS
    ole32 oleaut32 uuid windowscodecs vfw32 mfplat mf mfreadwrite mfuuid d2d1 strmiids
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
