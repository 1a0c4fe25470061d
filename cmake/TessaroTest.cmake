# tessaro_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [TIMEOUT <s>])
# Builds one QtTest executable and registers it with CTest. Every test runs
# under the offscreen platform with its own HOME and XDG folders, so settings
# and status logs of one test never leak into another or into the user's.
function(tessaro_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt5::Test ${T_LIBS})
  # Helpers every test may use (tests/LogCollector.h).
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(home ${CMAKE_BINARY_DIR}/testhome/${T_NAME})
  # TESSARO_RUN_ENVIRONMENT: sanitizer options of a sanitizer build (top level).
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_DATA_HOME=${home}/.local/share;XDG_CONFIG_HOME=${home}/.config;XDG_CACHE_HOME=${home}/.cache;XDG_RUNTIME_DIR=${home}/run;TESSARO_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(TESSARO_RUN_ENVIRONMENT)
    set_property(TEST ${T_NAME} APPEND PROPERTY ENVIRONMENT ${TESSARO_RUN_ENVIRONMENT})
  endif()
  file(MAKE_DIRECTORY ${home}/run)
endfunction()
