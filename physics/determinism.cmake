# How the simulation is compiled so that a recorded game replays bit for bit on
# every build, compiler and processor, and in the browser. The simulation is every
# target whose arithmetic reaches the recorded state: Box2D as built here, the
# physics layer, the game and the pilot. Whatever -march or -O a packager adds in
# CMAKE_CXX_FLAGS, these come later on the command line and win.
#
#   TD_FLOAT_FLAGS               the rounding rules alone: the top-level build
#                                gives them to every target, since tests and
#                                tools compile the simulation's inline code too
#   td_simulation_flags(TARGET)  gives TARGET all the flags below, PRIVATE
#
# -ffp-contract=off   no multiply and add fused into one rounding (the default
#                     is to fuse wherever the processor can: arm64, x86 with FMA).
# -fno-tree-vectorize, -fno-tree-slp-vectorize
#                     GCC's vectorizer pairs alternating adds and subtracts into
#                     vfmaddsub wherever the target has FMA (x86-64-v3 and up,
#                     -march=native) regardless of -ffp-contract=off; -mno-fma
#                     stops it only below AVX-512 (x86-64-v4, recent Xeons, Zen 4). The title demo's replay
#                     costs the same CPU time without them (5.7 % fewer
#                     instructions). Clang takes the same flags.
# -msse2 -mfpmath=sse (32-bit x86 only)
#                     x87 arithmetic keeps 80-bit intermediates: the portable
#                     sines' rounding trick stops rounding and every sum differs.
#                     physics/portable_math.h refuses to compile without it.
if(COMMAND td_simulation_flags)
    return()
endif()

set(TD_FLOAT_FLAGS -ffp-contract=off)
# (WebAssembly calls itself x86 to CMake and has no x87.)
if(NOT EMSCRIPTEN AND (CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$" OR
   (CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64" AND CMAKE_SIZEOF_VOID_P EQUAL 4)))
    list(APPEND TD_FLOAT_FLAGS -msse2 -mfpmath=sse)
endif()
set(TD_SIMULATION_FLAGS ${TD_FLOAT_FLAGS} -fno-tree-vectorize -fno-tree-slp-vectorize)

function(td_simulation_flags target)
    target_compile_options(${target} PRIVATE ${TD_SIMULATION_FLAGS})
endfunction()
