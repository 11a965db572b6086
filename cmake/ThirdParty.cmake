# Third-party libraries from scripts/build-deps.sh: the FFmpeg DLLs and
# lame_enc.dll are shipped beside the program, the rest is linked statically,
# as is the player's rasterizer from scripts/build-raster-deps.sh.

file(GLOB TVM_FFMPEG_DLLS ${TVM_DEPS}/bin/*.dll)
list(FILTER TVM_FFMPEG_DLLS EXCLUDE REGEX "lame_enc\\.dll$")

# Copies of the FFmpeg DLLs in folder/libav, kept up to date; out_var gets
# their paths.
function(tvm_copy_ffmpeg_dlls out_var folder)
  set(copies)
  foreach(dll IN LISTS TVM_FFMPEG_DLLS)
    get_filename_component(name ${dll} NAME)
    list(APPEND copies ${folder}/libav/${name})
    add_custom_command(OUTPUT ${folder}/libav/${name}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dll} ${folder}/libav/${name}
      DEPENDS ${dll})
  endforeach()
  set(${out_var} ${copies} PARENT_SCOPE)
endfunction()

tvm_copy_ffmpeg_dlls(TVM_SHIPPED_DLLS ${TVM_BIN_DIR})
list(APPEND TVM_SHIPPED_DLLS ${TVM_BIN_DIR}/lame_enc.dll)
add_custom_command(OUTPUT ${TVM_BIN_DIR}/lame_enc.dll
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TVM_DEPS}/bin/lame_enc.dll ${TVM_BIN_DIR}/lame_enc.dll
  DEPENDS ${TVM_DEPS}/bin/lame_enc.dll)
add_custom_target(shipped_dlls ALL DEPENDS ${TVM_SHIPPED_DLLS})

foreach(lib z lzma jpeg)
  add_library(tvm_${lib} STATIC IMPORTED)
endforeach()
set_target_properties(tvm_z PROPERTIES IMPORTED_LOCATION /usr/${TVM_HOST}/lib/libz.a)
set_target_properties(tvm_lzma PROPERTIES IMPORTED_LOCATION ${TVM_DEPS}/lib/liblzma.a
  INTERFACE_INCLUDE_DIRECTORIES ${TVM_DEPS}/include INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC)
set_target_properties(tvm_jpeg PROPERTIES IMPORTED_LOCATION ${TVM_DEPS}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${TVM_DEPS}/include)

add_library(tvm_pixman STATIC IMPORTED)
set_target_properties(tvm_pixman PROPERTIES IMPORTED_LOCATION ${TVM_RASTER_DEPS}/lib/libpixman-1.a)
add_library(tvm_cairo STATIC IMPORTED)
set_target_properties(tvm_cairo PROPERTIES IMPORTED_LOCATION ${TVM_RASTER_DEPS}/lib/libcairo.a
  INTERFACE_INCLUDE_DIRECTORIES ${TVM_RASTER_DEPS}/include/cairo
  INTERFACE_COMPILE_DEFINITIONS CAIRO_WIN32_STATIC_BUILD
  INTERFACE_LINK_LIBRARIES "tvm_pixman;gdi32;msimg32")
