# Cross build for 64-bit Windows with Debian's mingw-w64 compilers (the posix thread
# model, whose libstdc++ has std::thread and std::mutex). Libraries for Windows are
# looked for in third_party/win64, where the install script puts the Windows SDL3.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNWELL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNWELL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWELL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWELL_MINGW}-windres)

get_filename_component(_tarnwell_top "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(TARNWELL_WIN64_PREFIX "${_tarnwell_top}/third_party/win64" CACHE PATH
    "Where the Windows builds of the libraries are installed")
set(CMAKE_FIND_ROOT_PATH /usr/${TARNWELL_MINGW} "${TARNWELL_WIN64_PREFIX}")
set(CMAKE_PREFIX_PATH "${TARNWELL_WIN64_PREFIX}")

# Tools run on this machine; headers and libraries come from the Windows side only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
