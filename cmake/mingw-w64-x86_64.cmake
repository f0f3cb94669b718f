# Cross-building for 64-bit Windows with Debian's mingw-w64 compilers (posix threads, so that
# std::thread and std::mutex exist). The Windows libraries built by scripts/windows-deps are
# found through TARNELO_WINDOWS_PREFIXES, a list of install prefixes.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARNELO_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TARNELO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNELO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNELO_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${TARNELO_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${TARNELO_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# try_compile projects see the same prefixes.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARNELO_WINDOWS_PREFIXES)
set(CMAKE_FIND_ROOT_PATH /usr/${TARNELO_MINGW_TRIPLE} ${TARNELO_WINDOWS_PREFIXES})
set(CMAKE_PREFIX_PATH ${TARNELO_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config answers for Windows, never for the host.
set(_tarnelo_pc "")
foreach(_prefix IN LISTS TARNELO_WINDOWS_PREFIXES)
    list(APPEND _tarnelo_pc ${_prefix}/lib/pkgconfig)
endforeach()
list(APPEND _tarnelo_pc /usr/${TARNELO_MINGW_TRIPLE}/lib/pkgconfig)
string(REPLACE ";" ":" _tarnelo_pc "${_tarnelo_pc}")
set(ENV{PKG_CONFIG_LIBDIR} "${_tarnelo_pc}")
set(ENV{PKG_CONFIG_PATH} "")
