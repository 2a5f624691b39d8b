# The Windows unit tests as one program under wine, each test still a test of its own in CTest.
# Starting wine costs a fraction of a second, so one process per test spent most of the suite's
# time starting wine. Instead one CTest test (the fixture) runs the whole program once and
# files each test's output and result; every test then reports its own from there.
#
#   cmake -DMODE=discover -DEMULATOR=<wine-run.sh> -DEXE=<tests.exe> -DRESULTS=<dir>
#         -DTESTS_FILE=<ctest file> -P UnitTests.cmake    lists the tests (after each build)
#   cmake -DMODE=run -DEMULATOR=... -DEXE=... -DRESULTS=<dir> -P UnitTests.cmake
#   cmake -DMODE=result -DRESULTS=<dir> -DTEST=<Suite.Name> -P UnitTests.cmake
cmake_minimum_required(VERSION 3.25)

# The file that holds one test's result: named by a hash, as test names hold slashes.
function(result_file name out)
  string(MD5 hash "${name}")
  set(${out} "${RESULTS}/${hash}.txt" PARENT_SCOPE)
endfunction()

# The program's output as a list of lines, without the carriage returns of Windows' text mode.
# A list would split at semicolons and not at all inside unbalanced brackets: those three
# characters travel as control characters, and decode_line puts them back.
string(ASCII 1 open_bracket)
string(ASCII 2 close_bracket)
string(ASCII 3 semicolon)
function(output_lines text out)
  string(REPLACE "\r" "" text "${text}")
  string(REPLACE "[" "${open_bracket}" text "${text}")
  string(REPLACE "]" "${close_bracket}" text "${text}")
  string(REPLACE ";" "${semicolon}" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()
macro(decode_line line)
  string(REPLACE "${open_bracket}" "[" ${line} "${${line}}")
  string(REPLACE "${close_bracket}" "]" ${line} "${${line}}")
  string(REPLACE "${semicolon}" ";" ${line} "${${line}}")
endmacro()

if(MODE STREQUAL "discover")
  execute_process(COMMAND ${EMULATOR} ${EXE} --gtest_list_tests
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status TIMEOUT 120)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${EXE} --gtest_list_tests failed (${status}):\n${listing}")
  endif()
  output_lines("${listing}" lines)
  set(script "${CMAKE_CURRENT_LIST_FILE}")
  set(tests "")
  string(APPEND tests
    "add_test([=[windows_unit_run]=] \"${CMAKE_COMMAND}\" -DMODE=run \"-DEMULATOR=${EMULATOR}\" "
    "\"-DEXE=${EXE}\" \"-DRESULTS=${RESULTS}\" -P \"${script}\")\n"
    "set_tests_properties([=[windows_unit_run]=] PROPERTIES FIXTURES_SETUP numerion_windows_unit "
    "TIMEOUT 600)\n")
  set(suite "")
  set(count 0)
  foreach(line IN LISTS lines)
    decode_line(line)
    # Parameterised tests name their parameter after a '#'.
    string(REGEX REPLACE " *#.*$" "" line "${line}")
    if(line MATCHES "^([^ ].*)\\.$")
      set(suite "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^  ([^ ]+)$")
      set(name "${suite}.${CMAKE_MATCH_1}")
      string(APPEND tests
        "add_test([=[${name}]=] \"${CMAKE_COMMAND}\" -DMODE=result \"-DRESULTS=${RESULTS}\" "
        "[=[-DTEST=${name}]=] -P \"${script}\")\n"
        "set_tests_properties([=[${name}]=] PROPERTIES FIXTURES_REQUIRED numerion_windows_unit "
        "SKIP_REGULAR_EXPRESSION [=[\\[  SKIPPED \\]]=])\n")
      math(EXPR count "${count} + 1")
    endif()
  endforeach()
  if(count EQUAL 0)
    message(FATAL_ERROR "${EXE} listed no tests:\n${listing}")
  endif()
  file(WRITE "${TESTS_FILE}" "${tests}")
elseif(MODE STREQUAL "run")
  file(REMOVE_RECURSE "${RESULTS}")
  file(MAKE_DIRECTORY "${RESULTS}")
  string(TIMESTAMP start "%s")
  execute_process(COMMAND ${EMULATOR} ${EXE} OUTPUT_VARIABLE output ERROR_VARIABLE output
                  RESULT_VARIABLE status)
  string(TIMESTAMP end "%s")
  output_lines("${output}" lines)
  set(current "")
  set(passed 0)
  set(failed 0)
  set(skipped 0)
  foreach(line IN LISTS lines)
    decode_line(line)
    set(ending "")
    # A test ends with its result and name (and, for a parameterised one, its parameter).
    if(current AND line MATCHES "^\\[ +(OK|FAILED|SKIPPED) +\\] ([^ ,]+)" AND
       CMAKE_MATCH_2 STREQUAL current)
      set(ending "${CMAKE_MATCH_1}")
    endif()
    if(line MATCHES "^\\[ RUN      \\] (.+)$")
      set(current "${CMAKE_MATCH_1}")
      set(body "")
    elseif(ending)
      result_file("${current}" file)
      file(WRITE "${file}" "${ending}\n${body}${line}\n")
      if(ending STREQUAL "OK")
        math(EXPR passed "${passed} + 1")
      elseif(ending STREQUAL "FAILED")
        math(EXPR failed "${failed} + 1")
      else()
        math(EXPR skipped "${skipped} + 1")
      endif()
      set(current "")
    elseif(current)
      string(APPEND body "${line}\n")
    endif()
  endforeach()
  if(current)
    # The program ended inside a test: that test is the one that ended it.
    result_file("${current}" file)
    file(WRITE "${file}" "ENDED\n${body}the test program ended here with status ${status}\n")
  endif()
  math(EXPR seconds "${end} - ${start}")
  message("${passed} passed, ${failed} failed, ${skipped} skipped in ${seconds} s "
          "(status ${status})")
  if(passed EQUAL 0 AND failed EQUAL 0 AND skipped EQUAL 0)
    message(FATAL_ERROR "the test program ran no test:\n${output}")
  endif()
elseif(MODE STREQUAL "result")
  result_file("${TEST}" file)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${TEST} did not run: the test program ended before it "
                        "(see windows_unit_run)")
  endif()
  file(READ "${file}" text)
  string(REGEX MATCH "^[A-Z]+" result "${text}")
  string(REGEX REPLACE "^[A-Z]+\n" "" text "${text}")
  message("${text}")
  if(NOT result STREQUAL "OK" AND NOT result STREQUAL "SKIPPED")
    message(FATAL_ERROR "${TEST} failed")
  endif()
else()
  message(FATAL_ERROR "UnitTests.cmake: MODE must be discover, run or result")
endif()
