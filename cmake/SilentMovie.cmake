# Writes the program's silent movie as a resource script: an uncompressed SWF
# of two empty frames on a white stage that loops with no sound, which keeps
# the player's mixer writing while a source movie has none.
#   cmake -DOUTPUT=<file.rc> -P SilentMovie.cmake
# The script defines resource "SILENCE" of type "KVNResources" as raw data.

set(stage_width_twips 11000)
set(stage_height_twips 8000)
set(rate 12)
set(frames 2)

# Bits are gathered as a text of 0s and 1s, most significant first.
function(put_bits var value count)
  set(bits "${${var}}")
  math(EXPR top "${count} - 1")
  foreach(i RANGE ${top} 0 -1)
    math(EXPR bit "(${value} >> ${i}) & 1")
    string(APPEND bits ${bit})
  endforeach()
  set(${var} "${bits}" PARENT_SCOPE)
endfunction()

function(put_u8 var value)
  set(bits "${${var}}")
  put_bits(bits ${value} 8)
  set(${var} "${bits}" PARENT_SCOPE)
endfunction()

function(put_u16 var value)
  set(bits "${${var}}")
  math(EXPR low "${value} & 255")
  math(EXPR high "(${value} >> 8) & 255")
  put_bits(bits ${low} 8)
  put_bits(bits ${high} 8)
  set(${var} "${bits}" PARENT_SCOPE)
endfunction()

# A short tag header: code and length in one little-endian word.
function(put_tag var code length)
  set(bits "${${var}}")
  math(EXPR word "(${code} << 6) | ${length}")
  put_u16(bits ${word})
  set(${var} "${bits}" PARENT_SCOPE)
endfunction()

# The body after the 8-byte header: the stage rectangle, padded to a byte.
set(body "")
set(rect_bits 15)
put_bits(body ${rect_bits} 5)
foreach(value 0 ${stage_width_twips} 0 ${stage_height_twips})
  put_bits(body ${value} ${rect_bits})
endforeach()
string(LENGTH "${body}" used)
math(EXPR padding "(8 - ${used} % 8) % 8")
if(padding GREATER 0)
  put_bits(body 0 ${padding})
endif()
put_u16(body "${rate} << 8")
put_u16(body ${frames})
put_tag(body 9 3)  # SetBackgroundColor: white
foreach(channel 1 2 3)
  put_u8(body 255)
endforeach()
foreach(frame RANGE 1 ${frames})
  put_tag(body 1 0)  # ShowFrame
endforeach()
put_tag(body 0 0)  # End

string(LENGTH "${body}" body_bits)
math(EXPR file_length "8 + ${body_bits} / 8")
set(header "")
foreach(letter 70 87 83)  # "FWS"
  put_u8(header ${letter})
endforeach()
put_u8(header 6)  # version
foreach(shift 0 8 16 24)
  math(EXPR byte "(${file_length} >> ${shift}) & 255")
  put_u8(header ${byte})
endforeach()
set(bits "${header}${body}")

# Raw resource data is written in little-endian words: the movie's length
# must be even for the resource to hold it exactly.
math(EXPR odd "${file_length} % 2")
if(odd)
  message(FATAL_ERROR "the silent movie's length ${file_length} is odd")
endif()
set(words "")
math(EXPR last_word "${file_length} / 2 - 1")
foreach(index RANGE 0 ${last_word})
  math(EXPR at "${index} * 16")
  string(SUBSTRING "${bits}" ${at} 16 pair)
  set(value 0)
  foreach(position RANGE 15 0 -1)
    string(SUBSTRING "${pair}" ${position} 1 bit)
    math(EXPR weight "15 - ${position}")
    # The first byte of the pair is the word's low byte.
    if(weight LESS 8)
      math(EXPR weight "${weight} + 8")
    else()
      math(EXPR weight "${weight} - 8")
    endif()
    math(EXPR value "${value} | (${bit} << ${weight})")
  endforeach()
  math(EXPR value "${value}" OUTPUT_FORMAT HEXADECIMAL)
  list(APPEND words ${value})
endforeach()
list(JOIN words ", " data)
file(WRITE ${OUTPUT} "// Made by cmake/SilentMovie.cmake.\nSILENCE KVNResources\nBEGIN\n  ${data}\nEND\n")
