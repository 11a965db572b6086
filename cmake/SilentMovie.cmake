# Writes the program's silent movie as a resource script: an uncompressed SWF
# of two empty frames on a white stage that loops with no sound, which keeps
# the player's mixer writing while a source movie has none.
#   cmake -DOUTPUT=<file.rc> -P SilentMovie.cmake
# The script defines resource "SILENCE" of type "KVNResources" as raw data.
include(${CMAKE_CURRENT_LIST_DIR}/SwfWriting.cmake)

set(frames 2)
set(body "")
put_movie_frame(body 11000 8000 12 ${frames})
put_tag(body 9 3)  # SetBackgroundColor: white
foreach(channel 1 2 3)
  put_u8(body 255)
endforeach()
foreach(frame RANGE 1 ${frames})
  put_tag(body 1 0)  # ShowFrame
endforeach()
put_tag(body 0 0)  # End
write_movie_resource(${OUTPUT} SILENCE FWS 6 "${body}")
