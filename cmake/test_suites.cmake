# Run by CTest before the tests (set up by velora_test): one CTest test for each GoogleTest suite
# of a test program, so that a suite's tests share one process start (a Qt application and its
# fonts take about a tenth of a second each time). Expects `exe` and `dir`.
execute_process(COMMAND "${exe}" --gtest_list_tests
                WORKING_DIRECTORY "${dir}"
                OUTPUT_VARIABLE listing ERROR_QUIET RESULT_VARIABLE listed
                TIMEOUT 60)
get_filename_component(program "${exe}" NAME)
if(NOT listed EQUAL 0)
  # Told as a failing test rather than as no tests at all
  add_test("${program}.list" "${exe}" --gtest_list_tests)
  return()
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(found 0)
foreach(line IN LISTS lines)
  # A suite line names the suite and ends with a dot ("Suite." or "Prefix/Suite.  # TypeParam …");
  # its tests follow, indented.
  if(line MATCHES "^([A-Za-z_][A-Za-z0-9_/]*)\\.( |$)")
    set(suite "${program}.${CMAKE_MATCH_1}")
    add_test("${suite}" "${exe}" "--gtest_filter=${CMAKE_MATCH_1}.*")
    set_tests_properties("${suite}" PROPERTIES
      WORKING_DIRECTORY "${dir}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    math(EXPR found "${found} + 1")
  endif()
endforeach()
if(found EQUAL 0)
  add_test("${program}.list" "${CMAKE_COMMAND}" -E false)
endif()
