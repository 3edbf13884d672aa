# Test helpers shared by every folder.

macro(korvala_setup_googletest)
  if(WIN32)
    # Debian ships GoogleTest's sources; cross-build them with the project's toolchain.
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_library(korvala_gtest_main ALIAS gtest_main)
  else()
    find_package(GTest REQUIRED)
    add_library(korvala_gtest_main ALIAS GTest::gtest_main)
  endif()
endmacro()

# korvala_add_test(NAME SOURCES... [LIBS ...] [LOCKS ...] [TIMEOUT s] [LABELS ...])
# Builds a GoogleTest program and registers it with CTest. Under the cross build CTest runs it
# through tools/wine-run in the build tree's own Wine prefix. LOCKS names shared state of that
# prefix (special folders, devices, registry keys) so that parallel runs do not collide.
function(korvala_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LOCKS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} korvala_gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# korvala_release_test(NAME [PROGRAMS targets...]): a test that the release build runs too (label
# release), against the release's files; a release builds the programs it runs with the target
# release_test_programs.
function(korvala_release_test name)
  cmake_parse_arguments(R "" "" "PROGRAMS" ${ARGN})
  set_property(TEST ${name} APPEND PROPERTY LABELS release)
  if(KORVALA_RELEASE AND R_PROGRAMS)
    add_dependencies(release_test_programs ${R_PROGRAMS})
  endif()
endfunction()
