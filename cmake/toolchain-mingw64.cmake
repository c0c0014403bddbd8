# Cross build for 64-bit Windows with Debian's mingw-w64 (POSIX thread model,
# so std::thread and std::mutex work), statically linked: the programs run on
# a bare Windows without the compiler's DLLs. Programs built here run under
# wine when CMake or CTest runs them (tests, test discovery).
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DVESPERLINE_GUI=OFF
# VESPERLINE_WIN64_DEPS names a prefix with what the build needs besides the
# compiler (GoogleTest built with this toolchain, the header-only libraries);
# scripts/build-windows makes it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VL_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VL_MINGW})
if(DEFINED ENV{VESPERLINE_WIN64_DEPS})
  set(VESPERLINE_WIN64_DEPS $ENV{VESPERLINE_WIN64_DEPS})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VESPERLINE_WIN64_DEPS)
if(VESPERLINE_WIN64_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VESPERLINE_WIN64_DEPS})
  set(CMAKE_CXX_FLAGS_INIT "-isystem ${VESPERLINE_WIN64_DEPS}/include")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
