# CMake toolchain file for cross-compiling to 64-bit Windows with Debian's MinGW-w64 compilers
# (package g++-mingw-w64-x86-64-posix). The -posix variants use the winpthreads threading model,
# which std::thread, std::mutex and Qt need; the -win32 variants do not provide them.
#
# Used by scripts/windows-qt to build Qt itself, and for building the panel against that Qt:
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=packaging/windows/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=<windows Qt prefix> -DQT_HOST_PATH=/usr ...

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PUMPPANEL_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${PUMPPANEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PUMPPANEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PUMPPANEL_MINGW_TRIPLET}-windres)

# Append, never overwrite: Qt's generated qt.toolchain.cmake and the Qt build itself add their own
# prefixes to this list, and this file is read again for every try_compile.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${PUMPPANEL_MINGW_TRIPLET})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)

# Build tools run on the Linux host. Libraries and headers must come from the MinGW sysroot (or a
# root added above), never from /usr/lib or /usr/include. Packages may also come from
# CMAKE_PREFIX_PATH as given, which is how the cross-built Qt outside the sysroot is found.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
