# The browser build's libraries: built by tools/web/build-deps.sh with emcc from
# Debian's sources into a prefix outside the clone, given here as TD_WEB_DEPS. They
# take the names the native build gets from pkg-config, so the libraries of the
# engine, the physics and the game link them unchanged.
set(TD_WEB_DEPS "" CACHE PATH "Prefix of the browser build's libraries (printed by tools/web/build-deps.sh)")
if(NOT EXISTS "${TD_WEB_DEPS}/lib/libSDL2.a")
    message(FATAL_ERROR "TD_WEB_DEPS must name the prefix that tools/web/build-deps.sh printed")
endif()
# SDL2's headers before emscripten's own SDL 1.2 ones, which would be taken silently.
include_directories(BEFORE ${TD_WEB_DEPS}/include/SDL2 ${TD_WEB_DEPS}/include)

function(td_web_library name)  # name, archives (in lib/)...
    add_library(${name} INTERFACE IMPORTED GLOBAL)
    set(archives)
    foreach(a ${ARGN})
        list(APPEND archives ${TD_WEB_DEPS}/lib/${a})
    endforeach()
    set_target_properties(${name} PROPERTIES INTERFACE_LINK_LIBRARIES "${archives}")
endfunction()

td_web_library(PkgConfig::SDL2 libSDL2.a)
td_web_library(PkgConfig::SDL2_IMAGE libSDL2_image.a)
td_web_library(PkgConfig::PNG libpng.a)
td_web_library(PkgConfig::JPEG libjpeg.a)
td_web_library(PkgConfig::ZLIB libz.a)
td_web_library(PkgConfig::MINIZIP libminizip.a)
set_target_properties(PkgConfig::MINIZIP PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${TD_WEB_DEPS}/include/minizip)
td_web_library(PkgConfig::SNDFILE libsndfile.a)
td_web_library(PkgConfig::VORBISFILE libvorbis.a libogg.a)
td_web_library(PkgConfig::OPENMPT libopenmpt.a)
# Emscripten's own: WebGL 2 and OpenAL on Web Audio; no threads in the browser build.
td_web_library(PkgConfig::EPOXY)
td_web_library(PkgConfig::OPENAL)
set_target_properties(PkgConfig::OPENAL PROPERTIES INTERFACE_LINK_LIBRARIES -lopenal)
td_web_library(Threads::Threads)
