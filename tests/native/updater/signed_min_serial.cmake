# The serial floor as a configuration computes it (cmake/PublicKeys.cmake):
# run with -DSOURCE_DIR=<tree>, and -DBAD=<setting> to check one that must stop it.
include(${SOURCE_DIR}/cmake/PublicKeys.cmake)

if(DEFINED BAD)
  updater_min_serial("${BAD}" "some-key" floor)
  message(FATAL_ERROR "UPDATER_MIN_SERIAL '${BAD}' was taken as ${floor}")
endif()

function(expect setting keys expected)
  updater_min_serial("${setting}" "${keys}" floor)
  if(NOT floor STREQUAL expected)
    message(FATAL_ERROR "case '${setting}' with keys '${keys}': floor ${floor}, expected ${expected}")
  endif()
endfunction()

expect("" "" 0)
expect("1796860000" "some-key" 1796860000)
expect("0042" "some-key" 42)
expect("0" "some-key" 0)
expect("18446744073709551615" "some-key" 18446744073709551615)

# With keys and no setting: the configure time as a Unix time, past 32 bits or not.
string(TIMESTAMP before "%s" UTC)
updater_min_serial("" "some-key" floor)
string(TIMESTAMP after "%s" UTC)
if(NOT floor MATCHES "^[1-9][0-9]*$" OR floor LESS before OR floor GREATER after)
  message(FATAL_ERROR "default floor ${floor} is not the time of configuration (${before} .. ${after})")
endif()
message(STATUS "serial floor rules hold")
