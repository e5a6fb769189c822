# Runs the bench and compares its node total with the expected signature.
# Usage: cmake -DBENCH=path/to/bench -DEXPECTED=path/to/bench_signature.txt -P check_bench.cmake
execute_process(COMMAND ${BENCH} OUTPUT_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "bench failed (${status}):\n${output}")
endif()
string(REGEX MATCH "Nodes searched *: *([0-9]+)" found "${output}")
if(NOT found)
  message(FATAL_ERROR "no node total in the bench output:\n${output}")
endif()
set(total ${CMAKE_MATCH_1})
file(READ ${EXPECTED} expected)
string(STRIP "${expected}" expected)
if(NOT total STREQUAL expected)
  message(FATAL_ERROR "bench signature ${total}, expected ${expected}: the search changed; "
                      "if that is meant, put the new total in tools/bench_signature.txt and say \"Bench: ${total}\"")
endif()
message(STATUS "bench signature ${total} as expected")
