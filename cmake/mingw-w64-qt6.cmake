# Cross-compiles DuskmereSetup for 64-bit Windows on Debian with mingw-w64 (POSIX threads),
# against a Qt 6 for Windows unpacked from the mingw kit:
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-qt6.cmake \
#         -DDUSKMERE_QT_MINGW_DIR=/path/to/qt6-mingw
#
# DUSKMERE_QT_MINGW_DIR (a cache entry, or the environment variable of that name) is the kit's
# folder, the one holding mingw-w64-x86_64.cmake. moc, rcc and uic come from the host's Qt of
# the same version (qt6-base-dev-tools).

if(NOT DUSKMERE_QT_MINGW_DIR)
    set(DUSKMERE_QT_MINGW_DIR "$ENV{DUSKMERE_QT_MINGW_DIR}")
endif()
if(NOT EXISTS "${DUSKMERE_QT_MINGW_DIR}/mingw-w64-x86_64.cmake")
    message(FATAL_ERROR "DUSKMERE_QT_MINGW_DIR must name the unpacked Qt kit for mingw-w64 "
                        "(the folder with mingw-w64-x86_64.cmake); it is "
                        "\"${DUSKMERE_QT_MINGW_DIR}\"")
endif()
set(DUSKMERE_QT_MINGW_DIR "${DUSKMERE_QT_MINGW_DIR}" CACHE PATH "Qt 6 kit for mingw-w64")
# CMake reads this file again for every try_compile project.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DUSKMERE_QT_MINGW_DIR)

include("${DUSKMERE_QT_MINGW_DIR}/mingw-w64-x86_64.cmake")
