# Writes a manual page from a program's own --help and --version, so that the page never drifts
# from the program. Run as a script at build time:
#
#   cmake -DPROGRAM=path -DNAME=VRKTset -DSUMMARY="one line" -DSEE_ALSO="X(1)" -DOUTPUT=VRKTset.1
#         -P manpage.cmake
#
# The help text's layout carries over: "Usage: ..." becomes the synopsis, a line ending in ":"
# a section, lines indented by two blanks the items of a list (tag, two or more blanks,
# description; deeper indented lines continue the description), everything else paragraphs. A
# section heading is a short line after a blank one.
cmake_minimum_required(VERSION 3.22)

foreach(var PROGRAM NAME SUMMARY OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "manpage.cmake: ${var} is not set")
  endif()
endforeach()

execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE help_rc)
execute_process(COMMAND "${PROGRAM}" --version OUTPUT_VARIABLE version RESULT_VARIABLE version_rc
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT help_rc EQUAL 0 OR NOT version_rc EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help / --version failed (${help_rc}, ${version_rc})")
endif()

# Text as roff reads it: a backslash is an escape, a dash a minus (so that options copied from
# the page work), and a line may not start with a control character.
function(roff_text out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(TOUPPER "${NAME}" title)
roff_text(name "${NAME}")
roff_text(summary "${SUMMARY}")
set(page ".TH ${title} 1 \"\" \"${version}\" \"User Commands\"\n.SH NAME\n${name} \\- ${summary}\n")

# start: before the usage line; section: right after a heading; text: inside a paragraph;
# blank: after an empty line; list: inside a list.
set(state start)
set(rest "${help}")
while(NOT rest STREQUAL "")
  string(FIND "${rest}" "\n" eol)
  if(eol EQUAL -1)
    set(line "${rest}")
    set(rest "")
  else()
    string(SUBSTRING "${rest}" 0 ${eol} line)
    math(EXPR next "${eol} + 1")
    string(SUBSTRING "${rest}" ${next} -1 rest)
  endif()
  string(REGEX REPLACE "[ \t\r]+$" "" line "${line}")
  string(LENGTH "${line}" len)

  if(state STREQUAL "start")
    if(line MATCHES "^Usage: ([^ ]+) ?(.*)$")
      roff_text(args "${CMAKE_MATCH_2}")
      roff_text(program "${CMAKE_MATCH_1}")
      string(APPEND page ".SH SYNOPSIS\n.B ${program}\n${args}\n.SH DESCRIPTION\n")
      set(state section)
    endif()
  elseif(line STREQUAL "")
    if(NOT state STREQUAL "section")
      set(state blank)
    endif()
  elseif(state STREQUAL "blank" AND len LESS_EQUAL 40 AND line MATCHES "^[A-Z][^.]*:$")
    string(REGEX REPLACE ":$" "" heading "${line}")
    string(TOUPPER "${heading}" heading)
    roff_text(heading "${heading}")
    string(APPEND page ".SH \"${heading}\"\n")
    set(state list)
  elseif(line MATCHES "^  ([^ ].*[^ ]|[^ ])  +(.*)$")
    roff_text(tag "${CMAKE_MATCH_1}")
    roff_text(desc "${CMAKE_MATCH_2}")
    string(APPEND page ".TP\n\\fB${tag}\\fR\n${desc}\n")
    set(state list)
  elseif(state STREQUAL "list" AND line MATCHES "^   +(.*)$")
    roff_text(more "${CMAKE_MATCH_1}")
    string(APPEND page "${more}\n")
  else()
    string(REGEX REPLACE "^ +" "" line "${line}")
    roff_text(text "${line}")
    if(state STREQUAL "blank" OR state STREQUAL "list")
      string(APPEND page ".PP\n")
    endif()
    string(APPEND page "${text}\n")
    set(state text)
  endif()
endwhile()

if(DEFINED SEE_ALSO AND SEE_ALSO MATCHES "^([^(]+)\\(([0-9])\\)$")
  set(see_section "${CMAKE_MATCH_2}")
  roff_text(see_name "${CMAKE_MATCH_1}")
  string(APPEND page ".SH \"SEE ALSO\"\n.BR ${see_name} (${see_section})\n")
endif()

file(WRITE "${OUTPUT}" "${page}")
