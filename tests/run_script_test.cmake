# Runs one golden script through numlyra-cli and compares its output.
# A script may start with comment lines that steer the run:
#   // args: --cols 40 --echo     extra command-line options
#   // exit: 1                    expected exit status (default 0)
#   // stdin                      feed the script on standard input instead of naming it
#   // tree: DIR                  copy tests/scripts/DIR/* into the working directory first
#   // show: FILE...              append each FILE (relative to the working directory)
#                                 to the output after the run, headed "--- FILE ---"
#   // stderr                     append standard error too, headed "--- stderr ---"
# Standard output, with the temporary tree's path written as WORK, must equal
# NAME.out byte for byte; standard error is shown
# on failure only.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/home ${WORK}/cwd)
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
set(expected_file ${dir}/${name}.out)

file(STRINGS ${SCRIPT} header LIMIT_COUNT 5)
set(extra_args)
set(expected_exit 0)
set(use_stdin FALSE)
set(tree)
set(show_files)
set(show_stderr FALSE)
foreach(line IN LISTS header)
  if(line MATCHES "^// args: (.*)$")
    separate_arguments(extra_args UNIX_COMMAND "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^// exit: ([0-9]+)")
    set(expected_exit ${CMAKE_MATCH_1})
  elseif(line MATCHES "^// stdin")
    set(use_stdin TRUE)
  elseif(line MATCHES "^// stderr")
    set(show_stderr TRUE)
  elseif(line MATCHES "^// tree: (.*)$")
    set(tree ${CMAKE_MATCH_1})
  elseif(line MATCHES "^// show: (.*)$")
    separate_arguments(show_files UNIX_COMMAND "${CMAKE_MATCH_1}")
  endif()
endforeach()
if(tree)
  file(COPY ${dir}/${tree}/ DESTINATION ${WORK}/cwd)
endif()

set(ENV{HOME} ${WORK}/home)
set(ENV{QT_QPA_PLATFORM} offscreen)
if(use_stdin)
  execute_process(COMMAND ${CLI} --norc ${extra_args}
                  INPUT_FILE ${SCRIPT}
                  WORKING_DIRECTORY ${WORK}/cwd
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
else()
  execute_process(COMMAND ${CLI} --norc ${extra_args} ${SCRIPT}
                  WORKING_DIRECTORY ${WORK}/cwd
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
endif()
foreach(f IN LISTS show_files)
  if(EXISTS ${WORK}/cwd/${f})
    file(READ ${WORK}/cwd/${f} content)
    string(APPEND out "--- ${f} ---\n${content}")
  else()
    string(APPEND out "--- ${f} (missing) ---\n")
  endif()
endforeach()
if(show_stderr)
  string(APPEND out "--- stderr ---\n${err}")
endif()
# Paths of the temporary tree vary by build directory; outputs name it WORK.
string(REPLACE "${WORK}" "WORK" out "${out}")
file(WRITE ${WORK}/actual.out "${out}")
if(NOT EXISTS ${expected_file})
  message(FATAL_ERROR "missing ${expected_file}; actual output is in ${WORK}/actual.out")
endif()
file(READ ${expected_file} expected)
if(NOT out STREQUAL expected)
  execute_process(COMMAND diff -u ${expected_file} ${WORK}/actual.out OUTPUT_VARIABLE d)
  message(FATAL_ERROR "output differs from ${name}.out:\n${d}\nstderr:\n${err}")
endif()
if(NOT rc STREQUAL expected_exit)
  message(FATAL_ERROR "exit status ${rc}, expected ${expected_exit}\nstderr:\n${err}")
endif()
