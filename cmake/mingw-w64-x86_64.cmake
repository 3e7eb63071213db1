# Cross-builds for 64-bit Windows with Debian's mingw-w64 (posix threads) and runs the
# results under Wine. Used by the windows presets and by scripts/build-windows-deps.
#
# The libraries that Debian does not ship for mingw-w64 (brotli, zstd, GoogleTest) come
# from a prefix that scripts/build-windows-deps fills; this file runs that script at
# configure time, which costs nothing once the prefix is up to date.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VORLANE_MINGW_TRIPLET x86_64-w64-mingw32)
# The -posix compilers: std::thread, std::mutex and friends need winpthreads.
set(CMAKE_C_COMPILER ${VORLANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORLANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VORLANE_MINGW_TRIPLET}-windres)

get_filename_component(VORLANE_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(VORLANE_WINDOWS_DEPS_DIR "${VORLANE_SOURCE_ROOT}/build-windows-deps"
    CACHE PATH "Folder where scripts/build-windows-deps builds brotli, zstd and GoogleTest for Windows")
set(VORLANE_WINDOWS_DEPS_PREFIX "${VORLANE_WINDOWS_DEPS_DIR}/prefix")
# try_compile projects read this file again; they must see the same folder.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VORLANE_WINDOWS_DEPS_DIR VORLANE_WINDOWS_DEPS_BUILD
     VORLANE_WINDOWS_STATIC_RUNTIME VORLANE_WINDOWS_QT_PREFIX)

set(CMAKE_FIND_ROOT_PATH "${VORLANE_WINDOWS_DEPS_PREFIX}" /usr/${VORLANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_PREFIX_PATH "${VORLANE_WINDOWS_DEPS_PREFIX}")

# pkg-config must see only Windows libraries: the deps prefix and Debian's mingw-w64 tree.
set(ENV{PKG_CONFIG_LIBDIR} "${VORLANE_WINDOWS_DEPS_PREFIX}/lib/pkgconfig:/usr/${VORLANE_MINGW_TRIPLET}/lib/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})
unset(ENV{PKG_CONFIG_SYSROOT_DIR})
find_program(PKG_CONFIG_EXECUTABLE NAMES ${VORLANE_MINGW_TRIPLET}-pkg-config pkg-config)

# Every .exe must start on a bare Windows: link the compiler's runtimes and winpthreads
# statically, so only system DLLs are imported (cmake/WindowsImports.cmake checks that).
# A build against a Qt made of DLLs turns this off: Qt's DLLs bring their own libstdc++
# DLL, and the program must share it rather than carry a second copy.
option(VORLANE_WINDOWS_STATIC_RUNTIME "Link libgcc, libstdc++ and winpthreads into every .exe" ON)
if(VORLANE_WINDOWS_STATIC_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
  set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
  set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
endif()
# libz-mingw-w64-dev ships an import library beside the static one; FindZLIB would pick
# the import library, and zlib1.dll is no system DLL.
set(ZLIB_USE_STATIC_LIBS ON)

# Debian has no Windows Qt. The windows-qt preset takes one that the builder supplies
# (a mingw-w64 Qt 6 built against msvcrt, as this compiler is, e.g. MSYS2's MINGW64 one).
set(VORLANE_WINDOWS_QT_PREFIX "" CACHE PATH "Prefix of a Windows (mingw-w64, msvcrt) build of Qt 6")
if(VORLANE_WINDOWS_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${VORLANE_WINDOWS_QT_PREFIX}")
  list(APPEND CMAKE_PREFIX_PATH "${VORLANE_WINDOWS_QT_PREFIX}")
elseif(VORLANE_BUILD_UI)
  message(FATAL_ERROR "The Windows tray program needs a Windows Qt 6: set VORLANE_WINDOWS_QT_PREFIX "
                      "(and QT_HOST_PATH to a Linux Qt of the same version), or VORLANE_BUILD_UI=OFF")
endif()

# Tests and try_run start the programs through Wine, in a prefix inside the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR "${VORLANE_SOURCE_ROOT}/scripts/wine-run;--prefix;${CMAKE_BINARY_DIR}/wine")

# Fill the deps prefix before the project looks for its libraries. Not from try_compile
# projects, nor from the builds that fill the prefix.
get_property(vorlane_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT vorlane_in_try_compile AND NOT VORLANE_WINDOWS_DEPS_BUILD)
  execute_process(COMMAND "${VORLANE_SOURCE_ROOT}/scripts/build-windows-deps" "${VORLANE_WINDOWS_DEPS_DIR}"
                  RESULT_VARIABLE vorlane_deps_result)
  if(NOT vorlane_deps_result EQUAL 0)
    message(FATAL_ERROR "scripts/build-windows-deps failed (${vorlane_deps_result})")
  endif()
endif()
