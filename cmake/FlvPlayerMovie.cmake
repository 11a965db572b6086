# Writes the program's FLV-player movie as a resource script: a zlib-compressed
# SWF whose one frame plays a video file in a video that fills its stage and
# tells the host how it goes through FSCommands.
#   cmake -DOUTPUT=<file.rc> -P FlvPlayerMovie.cmake
# The script defines resource "FLVPLAYER" of type "KVNResources" as raw data.
#
# Its actions, as ActionScript 2:
#   stop();
#   u = url;                                   // FlashVars "url=<file>", or
#   if (path != undefined) u = driver + ":" + path;   // "driver=c&path=\dir\f.flv"
#   nc = new NetConnection(); nc.connect(null);
#   ns = new NetStream(nc);
#   video.attachVideo(ns);
#   ns.onStatus = function (info) {
#     if (info.code == "NetStream.Play.Start") {
#       _root.state = 1; fscommand("kvn_flvmsg_ready", "");
#       fscommand("kvn_flvmsg_progress", _root.ns.bytesLoaded * 100 / _root.ns.bytesTotal);
#     }
#     if (info.code == "NetStream.Seek.Notify") _root.state = 1;
#     if (info.code == "NetStream.Play.Stop") {
#       _root.state = 2; fscommand("kvn_flvmsg_complete", "");
#     }
#   };
#   onEnterFrame = function () {
#     if (_root.cmdw == "kvn_cmd_seektime") { _root.cmdw = ""; _root.ns.seek(_root.time); }
#     if (_root.state == 1) fscommand("kvn_flvmsg_playheadupdate", _root.ns.time);
#   };
#   ns.play(u);
include(${CMAKE_CURRENT_LIST_DIR}/SwfWriting.cmake)

set(width 640)
set(height 480)
set(rate 30)

# ---- Actions ----

# Actions without a body: their codes.
function(act var)
  set(bits "${${var}}")
  foreach(code ${ARGN})
    put_u8(bits ${code})
  endforeach()
  set(${var} "${bits}" PARENT_SCOPE)
endfunction()

# An action with a body.
function(act_body var code content)
  bytes_of(content length)
  set(header "")
  put_u8(header ${code})
  put_le(header ${length} 2)
  set(${var} "${${var}}${header}${content}" PARENT_SCOPE)
endfunction()

# Push: each value is "s:text", "i:number", "null" or "undefined".
function(act_push var)
  set(values "")
  foreach(value IN LISTS ARGN)
    if(value STREQUAL "null")
      put_u8(values 2)
    elseif(value STREQUAL "undefined")
      put_u8(values 3)
    elseif(value MATCHES "^i:(.*)$")
      put_u8(values 7)
      put_le(values ${CMAKE_MATCH_1} 4)
    elseif(value MATCHES "^s:(.*)$")
      put_u8(values 0)
      put_text(values "${CMAKE_MATCH_1}")
    else()
      message(FATAL_ERROR "no push value: ${value}")
    endif()
  endforeach()
  set(bits "${${var}}")
  act_body(bits 150 "${values}")
  set(${var} "${bits}" PARENT_SCOPE)
endfunction()

# if (!(left == right)) skip block; block follows.
function(act_unless_equal var left right block)
  set(bits "${${var}}")
  act_push(bits ${left})
  act(bits 78)  # GetMember
  act_push(bits ${right})
  act(bits 73 18)  # Equals2, Not
  bytes_of(block skip)
  set(offset "")
  put_le(offset ${skip} 2)
  act_body(bits 157 "${offset}")  # If
  set(${var} "${bits}${block}" PARENT_SCOPE)
endfunction()

# _root.name = value
function(act_set_root var name value)
  set(bits "${${var}}")
  act_push(bits s:_root)
  act(bits 28)  # GetVariable
  act_push(bits s:${name} ${value})
  act(bits 79)  # SetMember
  set(${var} "${bits}" PARENT_SCOPE)
endfunction()

# Pushes _root.ns.member
function(act_stream_member var member)
  set(bits "${${var}}")
  act_push(bits s:_root)
  act(bits 28)
  act_push(bits s:ns)
  act(bits 78)
  act_push(bits s:${member})
  act(bits 78)
  set(${var} "${bits}" PARENT_SCOPE)
endfunction()

# fscommand(command, "")
function(act_fscommand var command)
  set(body "")
  put_text(body "FSCommand:${command}")
  put_text(body "")
  set(bits "${${var}}")
  act_body(bits 131 "${body}")  # GetURL
  set(${var} "${bits}" PARENT_SCOPE)
endfunction()

# fscommand(command, <the value pushed by the actions in value>)
function(act_fscommand_value var command value)
  set(bits "${${var}}")
  act_push(bits "s:FSCommand:${command}")
  string(APPEND bits "${value}")
  set(flags "")
  put_u8(flags 0)
  act_body(bits 154 "${flags}")  # GetURL2
  set(${var} "${bits}" PARENT_SCOPE)
endfunction()

# A function literal left on the stack.
function(act_function var code)
  set(head "")
  put_text(head "")
  list(LENGTH ARGN count)
  put_le(head ${count} 2)
  foreach(parameter ${ARGN})
    put_text(head ${parameter})
  endforeach()
  bytes_of(code length)
  put_le(head ${length} 2)
  set(bits "${${var}}")
  act_body(bits 155 "${head}")  # DefineFunction
  set(${var} "${bits}${code}" PARENT_SCOPE)
endfunction()

# ns.onStatus
set(started "")
act_set_root(started state i:1)
act_fscommand(started kvn_flvmsg_ready)
set(percent "")
act_stream_member(percent bytesLoaded)
act_push(percent i:100)
act(percent 12)  # Multiply
act_stream_member(percent bytesTotal)
act(percent 13)  # Divide
act_fscommand_value(started kvn_flvmsg_progress "${percent}")
set(sought "")
act_set_root(sought state i:1)
set(stopped "")
act_set_root(stopped state i:2)
act_fscommand(stopped kvn_flvmsg_complete)
set(status "")
foreach(pair "NetStream.Play.Start;started" "NetStream.Seek.Notify;sought" "NetStream.Play.Stop;stopped")
  list(GET pair 0 code)
  list(GET pair 1 block)
  act_push(status s:info)
  act(status 28)
  act_unless_equal(status s:code s:${code} "${${block}}")
endforeach()

# onEnterFrame
set(seek "")
act_set_root(seek cmdw s:)
act_push(seek s:_root)
act(seek 28)
act_push(seek s:time)
act(seek 78)
act_push(seek i:1 s:_root)
act(seek 28)
act_push(seek s:ns)
act(seek 78)
act_push(seek s:seek)
act(seek 82 23)  # CallMethod, Pop
set(playhead "")
act_stream_member(time_value time)
act_fscommand_value(playhead kvn_flvmsg_playheadupdate "${time_value}")
set(enter "")
act_push(enter s:_root)
act(enter 28)
act_unless_equal(enter s:cmdw s:kvn_cmd_seektime "${seek}")
act_push(enter s:_root)
act(enter 28)
act_unless_equal(enter s:state i:1 "${playhead}")

# The frame's actions.
set(frame "")
act(frame 7)  # Stop
act_push(frame s:u s:url)
act(frame 28 29)  # GetVariable, SetVariable
set(joined "")
act_push(joined s:u s:driver)
act(joined 28)
act_push(joined s::)
act(joined 71)  # Add2
act_push(joined s:path)
act(joined 28 71 29)
act_push(frame s:path)
act(frame 28)
act_push(frame undefined)
act(frame 73)  # Equals2
bytes_of(joined skip)
set(offset "")
put_le(offset ${skip} 2)
act_body(frame 157 "${offset}")
string(APPEND frame "${joined}")
act_push(frame s:nc i:0 s:NetConnection)
act(frame 64 29)  # NewObject, SetVariable
act_push(frame null i:1 s:nc)
act(frame 28)
act_push(frame s:connect)
act(frame 82 23)
act_push(frame s:ns s:nc)
act(frame 28)
act_push(frame i:1 s:NetStream)
act(frame 64 29)
act_push(frame s:ns)
act(frame 28)
act_push(frame i:1 s:video)
act(frame 28)
act_push(frame s:attachVideo)
act(frame 82 23)
act_push(frame s:ns)
act(frame 28)
act_push(frame s:onStatus)
act_function(frame "${status}" info)
act(frame 79)  # SetMember
act_push(frame s:onEnterFrame)
act_function(frame "${enter}")
act(frame 29)
act_push(frame s:u)
act(frame 28)
act_push(frame i:1 s:ns)
act(frame 28)
act_push(frame s:play)
act(frame 82 23)
act(frame 0)  # end of the actions

# ---- The movie ----

set(body "")
math(EXPR width_twips "${width} * 20")
math(EXPR height_twips "${height} * 20")
put_movie_frame(body ${width_twips} ${height_twips} ${rate} 1)
put_tag(body 9 3)  # SetBackgroundColor: black
foreach(channel 1 2 3)
  put_u8(body 0)
endforeach()
# DefineVideoStream 1: no frames of its own, the stage's size, smoothed,
# Sorenson H.263 as a placeholder codec.
set(video "")
put_le(video 1 2)
put_le(video 0 2)
put_le(video ${width} 2)
put_le(video ${height} 2)
put_u8(video 1)
put_u8(video 2)
put_tag_body(body 60 "${video}")
# PlaceObject2 at depth 1, named "video".
set(place "")
put_u8(place 34)  # a character and a name
put_le(place 1 2)
put_le(place 1 2)
put_text(place video)
put_tag_body(body 26 "${place}")
put_tag_body(body 12 "${frame}")  # DoAction
put_tag(body 1 0)  # ShowFrame
put_tag(body 0 0)  # End
write_movie_resource(${OUTPUT} FLVPLAYER CWS 7 "${body}")
