# The folders of src/ are floors: a file includes its own folder and the
# floors below it, never one above. Run as
#   cmake -DSRC=<src folder> -P check_layers.cmake
# Fails on an include that goes up or sideways, on a folder missing from the
# floors, and on an exception that is no longer needed.
cmake_minimum_required(VERSION 3.25)

# From the ground up. Folders on one floor do not include each other: the
# operations stand side by side, and so do the two fronts (the command line
# never reaches the windows' Widgets).
set(floors
  "text"                          # code points, strict UTF-8, file-name bytes
  "posix"                         # descriptors, FileIdentity, exact I/O, folder flush, safe rename
  "id3"                           # the ID3 byte format
  "durable"                       # the journal, safe replace, recovery, the change observer
  "tags"                          # the tag access
  "history"                       # the write history and its undo
  "table"                         # grid interface, shared values, listing
  "tag_rows"                      # the table's rows read from and written to their files
  "edit rename import clean_up readings export undo"   # the operations
  "shell"                         # folder confirmation
  "app cli")                      # the fronts

# Includes that still go up: "<file> <folder it includes>". Each is a piece
# still in the wrong place; the list only shrinks.
set(exceptions)

set(level 0)
foreach(floor IN LISTS floors)
  string(REPLACE " " ";" folders "${floor}")
  foreach(folder IN LISTS folders)
    set(floor_${folder} ${level})
  endforeach()
  math(EXPR level "${level} + 1")
endforeach()

set(problems "")
file(GLOB folders RELATIVE ${SRC} ${SRC}/*)
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY ${SRC}/${folder} AND NOT DEFINED floor_${folder})
    string(APPEND problems "\n  src/${folder}/ is on no floor: add it to the list")
  endif()
endforeach()

set(used "")
file(GLOB_RECURSE sources RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" own ${source})
  file(STRINGS ${SRC}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]+)/.*" "\\1" other "${line}")
    if(other STREQUAL own)
      continue()
    endif()
    if(NOT DEFINED floor_${other})
      string(APPEND problems "\n  ${source}: includes ${other}/, which is on no floor")
    elseif(NOT floor_${other} LESS floor_${own})
      if("${source} ${other}" IN_LIST exceptions)
        list(APPEND used "${source} ${other}")
      else()
        string(APPEND problems "\n  ${source}: includes ${other}/, not below ${own}/")
      endif()
    endif()
  endforeach()
endforeach()

foreach(exception IN LISTS exceptions)
  if(NOT exception IN_LIST used)
    string(APPEND problems "\n  \"${exception}\" is no longer needed: remove it from the exceptions")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "Includes against the floors of src/:${problems}")
endif()
