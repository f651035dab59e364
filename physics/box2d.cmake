# Box2D 2.4.1, built from Debian's source package with the project's compiler and
# floating-point rules and linked statically: a recorded game replays only if the
# physics rounds alike in every build, on every processor and in the browser. A
# shared library built elsewhere contracts multiplies and adds where the
# processor fuses them (arm64) and may be replaced by a later version.
#
#   td_box2d_source(VAR)   unpacks the source (tools/fetch-source.sh) unless
#                          TD_BOX2D_SOURCE names it, checks its version, sets VAR
#   td_add_box2d(SOURCE)   the static library box2d (alias box2d::box2d)
set(TD_BOX2D_VERSION 2.4.1)
set(TD_BOX2D_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})
include(${CMAKE_CURRENT_LIST_DIR}/determinism.cmake)
set(TD_BOX2D_SOURCE "" CACHE PATH "Unpacked Box2D ${TD_BOX2D_VERSION} source (empty: fetch Debian's)")

function(td_box2d_source var)
    set(dir ${TD_BOX2D_SOURCE})
    if(NOT dir)
        execute_process(COMMAND sh ${TD_BOX2D_CMAKE_DIR}/../tools/fetch-source.sh box2d
                        OUTPUT_VARIABLE dir RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "Cannot unpack Debian's box2d source package (tools/fetch-source.sh box2d).")
        endif()
    endif()
    if(NOT EXISTS ${dir}/CMakeLists.txt OR NOT EXISTS ${dir}/include/box2d/box2d.h)
        message(FATAL_ERROR "${dir} holds no Box2D source.")
    endif()
    file(STRINGS ${dir}/CMakeLists.txt line REGEX "project\\(box2d VERSION")
    if(NOT line MATCHES "VERSION ${TD_BOX2D_VERSION}\\)")
        message(FATAL_ERROR "${dir} is not Box2D ${TD_BOX2D_VERSION}, which the recorded demos were made with.")
    endif()
    # Debian's revision of it, for the package's description.
    set(revision ${TD_BOX2D_VERSION})
    if(EXISTS ${dir}/debian/changelog)
        file(STRINGS ${dir}/debian/changelog first LIMIT_COUNT 1)
        string(REGEX REPLACE "^box2d \\(([^)]*)\\).*" "\\1" revision "${first}")
    endif()
    set(TD_BOX2D_PACKAGE_VERSION ${revision} CACHE INTERNAL "")
    set(${var} ${dir} PARENT_SCOPE)
endfunction()

function(td_add_box2d src)
    file(GLOB_RECURSE sources ${src}/src/*.cpp)
    add_library(box2d STATIC ${sources})
    add_library(box2d::box2d ALIAS box2d)
    target_include_directories(box2d SYSTEM PUBLIC ${src}/include)
    target_include_directories(box2d PRIVATE ${src}/src)
    # Its own copy of the rounding rules, wherever it is built.
    td_simulation_flags(box2d)
    # Not our code: its warnings are not ours to mend.
    target_compile_options(box2d PRIVATE -w)
    # b2Joint::Destroy reads the joint's type after running its destructor: harmless
    # in practice, but the sanitizer's vptr check stops there on every destroyed joint.
    if(TD_SANITIZE OR TD_FUZZ)
        target_compile_options(box2d PRIVATE -fno-sanitize=vptr)
    endif()
    # Box2D's sinf, cosf and atan2f, in its sources and in its inline functions
    # wherever they are compiled, are the project's portable ones.
    target_compile_options(box2d PUBLIC
        "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${TD_BOX2D_CMAKE_DIR}/box2d_math.h>")
endfunction()
