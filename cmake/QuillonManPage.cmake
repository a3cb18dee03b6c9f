# Writes the man page of quillon-cli from the program's own help, so that the
# page never tells of options the program no longer has:
#   cmake -DCLI=path/to/quillon-cli -DOUTPUT=quillon-cli.1 -DVERSION=x.y.z -P QuillonManPage.cmake
# The synopsis and OPTIONS come from `quillon-cli --help`, COMMANDS from
# `quillon-cli help COMMAND` where the program answers it.

foreach(var CLI OUTPUT VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "QuillonManPage.cmake needs -D${var}=...")
  endif()
endforeach()

# The tool needs no screen; a sanitizer build must not add its leak report
# to the help.
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{ASAN_OPTIONS} detect_leaks=0)

# Runs quillon-cli with ARGN. Help is printed on standard output with exit 0;
# a program without the help option asked for prints its usage on standard
# error after a line naming the problem. `accepted` tells which of the two it
# was; `text` is the usage without the problem's line.
function(cli_help text accepted)
  execute_process(COMMAND ${CLI} ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(result EQUAL 0 AND NOT out STREQUAL "")
    set(${accepted} TRUE PARENT_SCOPE)
  else()
    set(${accepted} FALSE PARENT_SCOPE)
    set(out "${err}")
  endif()
  string(REGEX REPLACE "^(quillon-cli: [^\n]*\n)+" "" out "${out}")
  string(REGEX REPLACE "\n+$" "" out "${out}")
  set(${text} "${out}" PARENT_SCOPE)
endfunction()

# Text that roff shows as it stands: backslashes and hyphens escaped, no
# line taken for a request because it begins with a dot or an apostrophe.
function(roff_escape out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REPLACE "\n." "\n\\&." text "${text}")
  string(REPLACE "\n'" "\n\\&'" text "${text}")
  string(REGEX REPLACE "^([.'])" "\\\\&\\1" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(roff_verbatim out text)
  roff_escape(text "${text}")
  set(${out} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

# Adds to `synopsis` every line of `text` that shows a way to call the
# program, once. Brackets and semicolons are hidden while the text is a CMake
# list.
function(add_synopsis text)
  string(ASCII 1 semicolon)
  string(ASCII 2 open_bracket)
  string(ASCII 3 close_bracket)
  string(REPLACE ";" "${semicolon}" lines "${text}")
  string(REPLACE "[" "${open_bracket}" lines "${lines}")
  string(REPLACE "]" "${close_bracket}" lines "${lines}")
  string(REPLACE "\n" ";" lines "${lines}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*(Usage:[ \t]*)?(quillon-cli( .*)?)$")
      set(line "${CMAKE_MATCH_2}")
      string(REPLACE "${semicolon}" ";" line "${line}")
      string(REPLACE "${open_bracket}" "[" line "${line}")
      string(REPLACE "${close_bracket}" "]" line "${line}")
      string(FIND "\n${synopsis}" "\n${line}\n" known)
      if(known EQUAL -1)
        string(APPEND synopsis "${line}\n")
      endif()
    endif()
  endforeach()
  set(synopsis "${synopsis}" PARENT_SCOPE)
endfunction()

cli_help(help accepted --help)
if(help STREQUAL "")
  message(FATAL_ERROR "${CLI} --help printed nothing")
endif()
set(synopsis "")
add_synopsis("${help}")

# Each command's own help, where the program has one.
set(commands "")
foreach(command batch exif date)
  cli_help(text accepted help ${command})
  if(accepted AND NOT text STREQUAL "" AND NOT text STREQUAL help)
    add_synopsis("${text}")
    roff_verbatim(verbatim "${text}")
    string(APPEND commands ".SS ${command}\n${verbatim}")
  endif()
endforeach()

if(synopsis STREQUAL "")
  set(synopsis "quillon-cli COMMAND [OPTIONS]\n")
endif()
roff_escape(synopsis "${synopsis}")
string(REGEX REPLACE "(^|\n)quillon\\\\-cli" "\\1\\\\fBquillon\\\\-cli\\\\fR" synopsis "${synopsis}")

set(page ".TH QUILLON\\-CLI 1 \"\" \"Quillon ${VERSION}\" \"User Commands\"
.SH NAME
quillon\\-cli \\- stamp photos with the moment they were taken, from the command line
.SH SYNOPSIS
.nf
${synopsis}.fi
.SH DESCRIPTION
.B quillon\\-cli
drives the photo engine of Quillon without a window. It prints the date at
which a photo was taken onto the photo, in two colours, scales it and saves it
as a new JPEG with a small thumbnail, for every photo of a folder tree in one
batch, exactly as the Quillon window does with the options it stored. It also
prints the EXIF tags of a photo, or its date as the stamp shows it. It never
writes over a photo it is given.
.SH OPTIONS
")
roff_verbatim(verbatim "${help}")
string(APPEND page "${verbatim}")

if(NOT commands STREQUAL "")
  string(APPEND page ".SH COMMANDS\n${commands}")
endif()

string(APPEND page ".SH AUTHORS
Quillon Project <quillon@example.org>, https://quillon.example.org
")

# Written beside the target and renamed, so no half-written page is left.
file(WRITE "${OUTPUT}.tmp" "${page}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
