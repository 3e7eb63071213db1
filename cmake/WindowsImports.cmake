# Every .exe of the Windows build must start on a bare Windows: it may import only DLLs
# that Windows itself ships (the toolchain file links the compiler's runtimes, winpthreads
# and the libraries statically). A DLL that slips in (libstdc++-6.dll, libwinpthread-1.dll,
# zlib1.dll...) runs under a developer's Wine or MSYS2 shell and fails on a user's machine.
#
# Included: vorlane_add_windows_imports_test(DIR) adds the test windows_imports, which
# checks every .exe and .dll in DIR. Run as a script:
#   cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DDIR=build-windows/bin -P cmake/WindowsImports.cmake
# VORLANE_WINDOWS_ALLOWED_DLLS (regular expressions, case-insensitive) allows more DLLs,
# for builds that ship them beside the program (the Qt libraries of the windows-qt build).

set(VORLANE_WINDOWS_SYSTEM_DLLS
    advapi32 bcrypt comctl32 comdlg32 crypt32 dbghelp dwmapi gdi32 gdiplus imm32 iphlpapi kernel32 mpr
    msvcrt netapi32 ntdll ole32 oleaut32 psapi rpcrt4 secur32 setupapi shcore shell32 shlwapi user32
    userenv uxtheme version winmm wininet winspool.drv ws2_32 wtsapi32)

if(NOT CMAKE_SCRIPT_MODE_FILE)
  function(vorlane_add_windows_imports_test dir)
    if(NOT CMAKE_OBJDUMP)
      message(FATAL_ERROR "windows_imports needs objdump (CMAKE_OBJDUMP)")
    endif()
    add_test(NAME windows_imports
             COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDIR=${dir}
                     "-DALLOWED=${VORLANE_WINDOWS_ALLOWED_DLLS}" -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE})
    set_tests_properties(windows_imports PROPERTIES LABELS unit)
  endfunction()
  return()
endif()

cmake_minimum_required(VERSION 3.25)

file(GLOB binaries "${DIR}/*.exe" "${DIR}/*.dll")
if(NOT binaries)
  message(FATAL_ERROR "no .exe or .dll in ${DIR}")
endif()
set(failures "")
foreach(binary ${binaries})
  execute_process(COMMAND ${OBJDUMP} -p ${binary} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${binary} failed")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
  foreach(import ${imports})
    string(REGEX REPLACE "^DLL Name: " "" dll "${import}")
    string(TOLOWER "${dll}" dll_lower)
    string(REGEX REPLACE "\\.dll$" "" stem "${dll_lower}")
    if(stem IN_LIST VORLANE_WINDOWS_SYSTEM_DLLS OR dll_lower IN_LIST VORLANE_WINDOWS_SYSTEM_DLLS
       OR dll_lower MATCHES "^(api|ext)-ms-win-")
      continue()
    endif()
    set(allowed FALSE)
    foreach(pattern ${ALLOWED})
      string(TOLOWER "${pattern}" pattern)
      if(dll_lower MATCHES "${pattern}")
        set(allowed TRUE)
      endif()
    endforeach()
    if(NOT allowed)
      get_filename_component(name ${binary} NAME)
      string(APPEND failures "  ${name} imports ${dll}\n")
    endif()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "Imports of DLLs that Windows does not ship:\n${failures}")
endif()
list(LENGTH binaries count)
message(STATUS "${count} binaries import only system DLLs")
