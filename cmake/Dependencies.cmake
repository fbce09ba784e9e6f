# Libraries installed from Debian by scripts/setup, grouped by the layer that uses them.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(OGG REQUIRED IMPORTED_TARGET ogg)
pkg_check_modules(VORBIS REQUIRED IMPORTED_TARGET vorbis vorbisfile)
pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc)
pkg_check_modules(THEORA REQUIRED IMPORTED_TARGET theoradec)
pkg_check_modules(THEORAENC REQUIRED IMPORTED_TARGET theoraenc)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET pugixml)
# Lua is the peer of the script-execution benchmark only; the game never links it.
pkg_check_modules(LUA REQUIRED IMPORTED_TARGET lua5.4)
find_library(SQUISH_LIBRARY squish REQUIRED)
# The OpenGL renderer runs on the system's OpenGL (Mesa's libOpenGL through GLVND).
find_package(OpenGL REQUIRED COMPONENTS OpenGL)

add_library(lf_deps_platform INTERFACE)
target_link_libraries(lf_deps_platform INTERFACE PkgConfig::SDL2 Threads::Threads ${SQUISH_LIBRARY} OpenGL::OpenGL ${CMAKE_DL_LIBS})

add_library(lf_deps_engine INTERFACE)
target_link_libraries(lf_deps_engine INTERFACE
  ZLIB::ZLIB PkgConfig::MINIZIP PNG::PNG JPEG::JPEG PkgConfig::OGG PkgConfig::VORBIS
  PkgConfig::FREETYPE ${SQUISH_LIBRARY} Threads::Threads OpenGL::OpenGL)

add_library(lf_deps_video INTERFACE)
target_link_libraries(lf_deps_video INTERFACE PkgConfig::THEORA PkgConfig::VORBIS PkgConfig::OGG)

add_library(lf_deps_game INTERFACE)
target_link_libraries(lf_deps_game INTERFACE PkgConfig::PUGIXML)

add_library(lf_deps_tools INTERFACE)
target_link_libraries(lf_deps_tools INTERFACE
  PkgConfig::FREETYPE PkgConfig::VORBISENC PkgConfig::THEORAENC PNG::PNG ZLIB::ZLIB)
