# Movies and projectors that the tests write themselves, and the packets of
# FLV files that they take into movies; needs the targets
# tvm_z and tvm_lzma and the function tvm_strict.
add_library(tvm_swf_fixtures STATIC ${CMAKE_CURRENT_LIST_DIR}/SwfFixtures.cpp ${CMAKE_CURRENT_LIST_DIR}/SwfDrawing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FlvPackets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SwfFilters.cpp ${CMAKE_CURRENT_LIST_DIR}/SwfText.cpp)
target_include_directories(tvm_swf_fixtures PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(tvm_swf_fixtures PUBLIC tvm_z tvm_lzma)
tvm_strict(tvm_swf_fixtures)
