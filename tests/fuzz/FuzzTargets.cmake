# The libFuzzer targets, one per parser of outside data, built with
# AddressSanitizer and UndefinedBehaviorSanitizer by tests/native with
# TVM_FUZZ=ON; scripts/fuzz.sh runs them. Each is named fuzz-<target> and
# its seeds lie in tests/fuzz/<target>/.
function(tvm_fuzz_target name)
  cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
  add_executable(fuzz-${name} ${F_UNPARSED_ARGUMENTS})
  target_link_libraries(fuzz-${name} PRIVATE ${F_LIBS})
  target_link_options(fuzz-${name} PRIVATE -fsanitize=fuzzer)
  tvm_strict(fuzz-${name})
endfunction()

set(fuzz ${root}/tests/fuzz)
add_library(tvm_swf_header STATIC ${root}/formats/SwfHeader.cpp)
target_include_directories(tvm_swf_header PUBLIC ${root}/formats)
target_link_libraries(tvm_swf_header PUBLIC tvm_z tvm_lzma)
tvm_strict(tvm_swf_header)
add_library(tvm_gif_lzw STATIC ${root}/formats/GifLzw.cpp)
target_include_directories(tvm_gif_lzw PUBLIC ${root}/formats)
tvm_strict(tvm_gif_lzw)
add_library(tvm_dib_layout STATIC ${root}/gui/DibLayout.cpp)
target_include_directories(tvm_dib_layout PUBLIC ${root}/gui)
tvm_strict(tvm_dib_layout)
add_library(tvm_module_image STATIC ${root}/flashhost/ModuleImage.cpp)
target_include_directories(tvm_module_image PUBLIC ${root}/flashhost)
tvm_strict(tvm_module_image)

tvm_fuzz_target(engine ${root}/tests/player/engine/fuzz/ParseMovieFuzz.cpp LIBS tvm_player_engine)
tvm_fuzz_target(swf-header ${fuzz}/SwfHeaderFuzz.cpp LIBS tvm_swf_header)
tvm_fuzz_target(gif-lzw ${fuzz}/GifLzwFuzz.cpp LIBS tvm_gif_lzw)
tvm_fuzz_target(bmp ${fuzz}/BmpFuzz.cpp LIBS tvm_dib_layout)
tvm_fuzz_target(player-module ${fuzz}/ModuleImageFuzz.cpp LIBS tvm_module_image)
tvm_fuzz_target(ini ${fuzz}/IniFuzz.cpp LIBS tvm_ini_text)
tvm_fuzz_target(project ${fuzz}/ProjectFuzz.cpp LIBS tvm_ini_text)

# Writes the seeds that our own writers make (fuzz-seeds FOLDER).
include(${root}/tests/SwfFixtures.cmake)
add_executable(fuzz-seeds ${fuzz}/FuzzSeeds.cpp)
target_link_libraries(fuzz-seeds PRIVATE tvm_swf_fixtures tvm_gif_lzw)
tvm_strict(fuzz-seeds)
