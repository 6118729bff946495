# Every GoogleTest binary writes an XML report beside the others, so that the driver can
# count single test cases across the native and the wine runs.
set(QUILLON_TEST_RESULTS ${CMAKE_BINARY_DIR}/test-results)
file(MAKE_DIRECTORY ${QUILLON_TEST_RESULTS})
# Under wine the Linux root is drive Z:; a path without a drive would be taken as relative.
set(quillon_report_dir ${QUILLON_TEST_RESULTS})
if(WIN32)
  set(quillon_report_dir Z:${QUILLON_TEST_RESULTS})
endif()

# quillon_add_gtest(name SOURCES ... [LIBS ...] [ENVIRONMENT ...] [TIMEOUT seconds])
function(quillon_add_gtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name}
           COMMAND ${name} --gtest_output=xml:${quillon_report_dir}/${name}.xml)
  if(ARG_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  if(ARG_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  endif()
endfunction()

# quillon_add_python_test(name SCRIPT file [ARGS ...] [TIMEOUT seconds]): the script's last
# argument is where it writes its report, one case per check group.
function(quillon_add_python_test name)
  cmake_parse_arguments(ARG "" "SCRIPT;TIMEOUT" "ARGS" ${ARGN})
  add_test(NAME ${name}
           COMMAND /usr/bin/python3 ${ARG_SCRIPT} ${ARG_ARGS} ${QUILLON_TEST_RESULTS}/${name}.xml)
  if(ARG_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  endif()
endfunction()
