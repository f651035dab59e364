#!/bin/bash
# Usage: tools/web/build-deps.sh
# Builds the browser build's libraries with emcc from Debian's source packages
# (tools/fetch-source.sh) into a cache outside the clone and prints the prefix.
# The prefix is keyed by emcc's version; each library in it by its recipe and its
# source's version, so that only a changed one is built again. Emscripten's ports would
# download from the internet and are not used.
#
# What is built: zlib with minizip, libpng, libjpeg-turbo, SDL2 (emscripten backend), SDL2_image
# (BMP, TGA, JPG through its own stb reader: the engine reads PNG with libpng),
# libopenmpt, libsndfile (WAV, AIFF and its other built-in formats: its Ogg would
# need FLAC and Opus too), and libogg with libvorbis (vorbisfile), through which the
# engine reads Ogg Vorbis itself.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cache=${TD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/timberdrive}
JOBS=${JOBS:-2}
PACKAGES="zlib libpng1.6 libjpeg-turbo libsdl2 libsdl2-image libopenmpt libsndfile libogg libvorbis"

# Autotools' and CMake's test programs run under node; node's fetch makes
# emscripten's output take the wrong path, and -O2 links need node's modules.
export NODE_OPTIONS=--no-experimental-fetch
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

log() { echo "build-deps: $*" >&2; }

srcs=""
for p in $PACKAGES; do
    d=$("$ROOT/tools/fetch-source.sh" "$p")
    srcs="$srcs $d"
done
key=$(emcc --version | head -n 1 | sha256sum | cut -c1-16)
prefix=$cache/web-deps/$key
recipe=$( (cat "$0"; for d in $srcs; do basename "$d"; done) | sha256sum | cut -c1-16)
if [ -f "$prefix/.done-$recipe" ]; then
    echo "$prefix"
    exit 0
fi
src() { for d in $srcs; do case $(basename "$d") in "$1"-[0-9]*) echo "$d"; return;; esac; done; }

mkdir -p "$prefix/include" "$prefix/lib"
work=$(mktemp -d "$cache/web-deps/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT
CFLAGS_COMMON="-O2 -ffp-contract=off"

# Compiles the given C files of the current folder in parallel into one archive.
compile_archive() {  # archive, cflags, files...
    archive=$1
    flags=$2
    shift 2
    printf '%s\n' "$@" | xargs -P "$JOBS" -I{} sh -c "emcc $CFLAGS_COMMON $flags -c {} -o \$(echo {} | tr / _).o" || return 1
    emar rcs "$prefix/lib/$archive" ./*.o || return 1
    rm -f ./*.o
}

step_zlib() {
    cp -a "$(src zlib)" "$work/zlib"
    (cd "$work/zlib" &&
        compile_archive libz.a "-DHAVE_UNISTD_H -DHAVE_STDARG_H" adler32.c compress.c crc32.c deflate.c gzclose.c \
            gzlib.c gzread.c gzwrite.c infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c &&
        cp zlib.h zconf.h "$prefix/include/") || return 1
    mkdir -p "$prefix/include/minizip"
    (cd "$work/zlib/contrib/minizip" &&
        compile_archive libminizip.a "-I$prefix/include -DIOAPI_NO_64 -DUSE_FILE32API" ioapi.c unzip.c zip.c &&
        cp ioapi.h unzip.h zip.h "$prefix/include/minizip/")
}

step_png() {
    cp -a "$(src libpng1.6)" "$work/png"
    (cd "$work/png" && cp scripts/pnglibconf.h.prebuilt pnglibconf.h &&
        compile_archive libpng.a "-I$prefix/include" png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c \
            pngrio.c pngrtran.c pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c &&
        cp png.h pngconf.h pnglibconf.h "$prefix/include/")
}

# libjpeg-turbo's library without SIMD, as libjpeg 8 (Debian's API), configured by
# hand: CMake would only find what wasm32 is.
step_jpeg() {
    cp -a "$(src libjpeg-turbo)" "$work/jpeg"
    (cd "$work/jpeg" &&
        sed -e 's/@JPEG_LIB_VERSION@/80/; s/@VERSION@/2.1.5/; s/@LIBJPEG_TURBO_VERSION_NUMBER@/2001005/' \
            -e 's/@BITS_IN_JSAMPLE@/8/; s/#cmakedefine \([A-Z_]*\) 1/#define \1 1/' \
            -e 's/#define WITH_SIMD 1//; s/#define RIGHT_SHIFT_IS_UNSIGNED 1//' jconfig.h.in >jconfig.h &&
        sed -e 's/@BUILD@/emscripten/; s/@INLINE@/inline __attribute__((always_inline))/; s/@THREAD_LOCAL@//' \
            -e 's/@CMAKE_PROJECT_NAME@/libjpeg-turbo/; s/@VERSION@/2.1.5/; s/@SIZE_T@/4/' \
            -e 's/#cmakedefine HAVE_BUILTIN_CTZL/#define HAVE_BUILTIN_CTZL/; s/#cmakedefine HAVE_INTRIN_H//' \
            jconfigint.h.in >jconfigint.h &&
        sed 's/@COPYRIGHT_YEAR@/1991-2022/' jversion.h.in >jversion.h &&
        compile_archive libjpeg.a "-I." jcapimin.c jcapistd.c jccoefct.c jccolor.c jcdctmgr.c jchuff.c jcicc.c \
            jcinit.c jcmainct.c jcmarker.c jcmaster.c jcomapi.c jcparam.c jcphuff.c jcprepct.c jcsample.c \
            jctrans.c jdapimin.c jdapistd.c jdatadst.c jdatasrc.c jdcoefct.c jdcolor.c jddctmgr.c jdhuff.c \
            jdicc.c jdinput.c jdmainct.c jdmarker.c jdmaster.c jdmerge.c jdphuff.c jdpostct.c jdsample.c \
            jdtrans.c jerror.c jfdctflt.c jfdctfst.c jfdctint.c jidctflt.c jidctfst.c jidctint.c jidctred.c \
            jquant1.c jquant2.c jutils.c jmemmgr.c jmemnobs.c jaricom.c jcarith.c jdarith.c jsimd_none.c &&
        cp jpeglib.h jconfig.h jmorecfg.h jerror.h "$prefix/include/")
}

# SDL's own configuration for emscripten (SDL_config_emscripten.h) is complete: the
# sources of its emscripten backends are compiled directly, without the minutes of
# CMake's checks, threads off as in a browser without shared memory.
step_sdl2() {
    cp -a "$(src libsdl2)" "$work/sdl"
    (cd "$work/sdl" &&
        files=$(for d in . atomic audio audio/disk audio/dummy audio/emscripten cpuinfo dynapi events file \
            filesystem/emscripten haptic haptic/dummy hidapi joystick joystick/emscripten joystick/virtual libm \
            loadso/dlopen locale locale/emscripten misc misc/emscripten power power/emscripten render \
            render/software render/opengles2 sensor sensor/dummy stdlib thread thread/generic timer timer/unix \
            video video/emscripten video/yuv2rgb; do ls src/$d/*.c; done) &&
        compile_archive libSDL2.a "-Iinclude -idirafter src/video/khronos" $files &&
        mkdir -p "$prefix/include/SDL2" && cp include/*.h "$prefix/include/SDL2/")
}

# BMP, TGA and JPG (through its own stb reader); the engine reads PNG with libpng.
step_sdl2_image() {
    cp -a "$(src libsdl2-image)" "$work/img"
    (cd "$work/img" &&
        compile_archive libSDL2_image.a "-I$prefix/include/SDL2 -DLOAD_BMP -DLOAD_TGA -DLOAD_JPG -DUSE_STBIMAGE" \
            $(ls IMG*.c | grep -v IMG_WIC) &&
        cp SDL_image.h "$prefix/include/SDL2/")
}

# Its own list of sources (Makefile.am), compiled directly: no feature of configure's
# is wanted (no zlib, mpg123 or Vorbis inside; the engine decodes only modules with
# it). It reports a damaged module by a C++ exception, which must be caught.
step_openmpt() {
    cp -a "$(src libopenmpt)" "$work/openmpt"
    (cd "$work/openmpt" &&
        files=$(sed -n 's/^\(MPT_FILES_[A-Z_]*\|libopenmpt_la_SOURCES\) += \(.*\.cpp\)$/\2/p' Makefile.am) &&
        compile_archive libopenmpt.a "-std=c++17 -fexceptions -DLIBOPENMPT_BUILD -Ibuild/svn_version -I. -Isrc -Icommon" \
            $files &&
        mkdir -p "$prefix/include/libopenmpt" &&
        cp libopenmpt/libopenmpt*.h libopenmpt/libopenmpt*.hpp "$prefix/include/libopenmpt/")
}

# CMake's checks take minutes under emscripten: their results are kept beside the
# prefix and given to the next configuration of the same source.
step_sndfile() {
    local sndfile checks preload=""
    sndfile=$(src libsndfile)
    checks=$cache/web-deps/checks-$(basename "$sndfile").cmake
    [ -f "$checks" ] && preload="-C $checks"
    cp -a "$sndfile" "$work/sndfile"
    (cd "$work/sndfile" && emcmake cmake -S . -B build -G Ninja $preload -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS="$CFLAGS_COMMON" -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
        -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DENABLE_CPACK=OFF \
        -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DINSTALL_MANPAGES=OFF >build.log 2>&1 ||
        { tail -n 40 build.log; exit 1; }) || return 1
    if [ ! -f "$checks" ]; then
        sed -n 's/^\(HAVE_[A-Za-z0-9_]*\|SIZEOF_[A-Za-z0-9_]*\|CPU_[A-Z_]*\|[A-Z_]*_FOUND\|COMPILER_[A-Z0-9_]*\):INTERNAL=\(.*\)$/set(\1 "\2" CACHE INTERNAL "")/p' \
            "$work/sndfile/build/CMakeCache.txt" >"$checks.new" && mv "$checks.new" "$checks"
    fi
    (cd "$work/sndfile" && cmake --build build -j "$JOBS" >>build.log 2>&1 && cmake --install build >>build.log 2>&1 ||
        { tail -n 40 build.log; exit 1; })
}

# Ogg's integer types for wasm32 (what its configure would write), its two sources.
step_ogg() {
    cp -a "$(src libogg)" "$work/ogg"
    (cd "$work/ogg" &&
        sed -e 's/@INCLUDE_INTTYPES_H@/1/; s/@INCLUDE_STDINT_H@/1/; s/@INCLUDE_SYS_TYPES_H@/1/' \
            -e 's/@SIZE16@/int16_t/; s/@USIZE16@/uint16_t/; s/@SIZE32@/int32_t/; s/@USIZE32@/uint32_t/' \
            -e 's/@SIZE64@/int64_t/; s/@USIZE64@/uint64_t/' include/ogg/config_types.h.in >include/ogg/config_types.h &&
        compile_archive libogg.a "-Iinclude" src/bitwise.c src/framing.c &&
        mkdir -p "$prefix/include/ogg" && cp include/ogg/ogg.h include/ogg/os_types.h include/ogg/config_types.h \
            "$prefix/include/ogg/")
}

# The decoder and vorbisfile; the encoder's sources come along in libvorbis.a (as
# Debian's), the tuning and table programs do not.
step_vorbis() {
    cp -a "$(src libvorbis)" "$work/vorbis"
    (cd "$work/vorbis/lib" &&
        compile_archive libvorbis.a "-I../include -I. -I$prefix/include" $(ls *.c | grep -v -e psytune -e tone -e barkmel) &&
        mkdir -p "$prefix/include/vorbis" && cp ../include/vorbis/*.h "$prefix/include/vorbis/")
}

# Each step is done again only when its own recipe changed.
# Box2D is no longer one of them: the game's build compiles it from source itself.
rm -rf "$prefix/include/box2d" "$prefix/lib/libbox2d.a"
for step in zlib png jpeg sdl2 sdl2_image openmpt sndfile ogg vorbis; do
    # The step's recipe and the version of the source it takes.
    stamp=$prefix/.step-$step-$( (declare -f "step_$step"; declare -f "step_$step" | grep -o 'src [a-z0-9.-]*' |
        while read -r _ p; do basename "$(src "$p")"; done) | sha256sum | cut -c1-16)
    [ -f "$stamp" ] && continue
    log "$step"
    "step_$step" || exit 1
    touch "$stamp"
done

touch "$prefix/.done-$recipe"
log "done"
echo "$prefix"
