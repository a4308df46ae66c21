# Writes a man page from a program's own --help and --version, so the page says what the program
# does. Run with cmake -P and:
#   PROGRAM   the built program
#   NAME      its name
#   SUMMARY   the one-line description of the NAME section
#   OUTPUT    the page to write
#   SUBCOMMANDS  ON: also every "<command> --help" of the commands its help lists
cmake_minimum_required(VERSION 3.25)

function(run_help out)
  # Only what the program prints as its answer; remarks of its libraries on stderr stay out.
  execute_process(COMMAND ${PROGRAM} ${ARGN} OUTPUT_VARIABLE text ERROR_VARIABLE ignored
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${ARGN} failed: ${result}")
  endif()
  # A program that names itself by the path it was started with is named as installed.
  string(REPLACE "${PROGRAM}" "${NAME}" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Verbatim text in roff: backslashes doubled, lines that start with . or ' protected.
function(roff_verbatim out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

run_help(help --help)
run_help(version --version)
string(STRIP "${version}" version)
string(TOUPPER "${NAME}" upper)
roff_verbatim(body "${help}")
set(page ".TH ${upper} 1 \"\" \"${version}\" \"ZEL service tool\"\n")
string(APPEND page ".SH NAME\n${NAME} \\- ${SUMMARY}\n.SH SYNOPSIS AND OPTIONS\n${body}")

if(SUBCOMMANDS)
  # The lines after "commands:" name one command each, indented by two blanks.
  string(REGEX REPLACE ".*\ncommands:\n" "" listing "${help}")
  string(REPLACE "\n" ";" lines "${listing}")
  string(APPEND page ".SH COMMANDS\n")
  foreach(line IN LISTS lines)
    if(line MATCHES "^  ([a-z][a-z-]*) ")
      set(command "${CMAKE_MATCH_1}")
      run_help(command_help ${command} --help)
      roff_verbatim(command_body "${command_help}")
      string(APPEND page ".SS ${command}\n${command_body}")
    endif()
  endforeach()
endif()
string(APPEND page ".SH SEE ALSO\nzelgui(1), zelctl(1), zelsim(1), zelpack(1)\n")
file(WRITE "${OUTPUT}" "${page}")
