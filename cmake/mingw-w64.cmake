# Cross-building for Windows x86-64 with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64-posix): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The posix thread model gives std::thread and std::mutex over winpthreads.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KT_MINGW_TRIPLET}-windres)

# Headers and libraries of the target come from the mingw-w64 sysroot only;
# programs run during the build are the build machine's own.
set(CMAKE_FIND_ROOT_PATH /usr/${KT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Whatever is linked (DLLs, programs) carries its own copy of the compiler's
# run time, so nothing beside it needs libgcc_s_seh-1.dll, libstdc++-6.dll or
# libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
