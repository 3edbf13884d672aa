# The check of the build's further page origins (KORVALA_EXTRA_PAGE_ORIGINS). KVObject reads the
# list with its own parser (component/page_origin.cpp); an entry that parser reads as no origin
# (addresses separated by commas, a missing scheme) would silently allow nothing. So the same
# parser, built for the building machine with its C++ compiler, reads the list at configure time.

set(KORVALA_PAGE_ORIGIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../component/check_page_origins.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../component/page_origin.cpp)
set(KORVALA_PAGE_ORIGIN_INPUTS ${KORVALA_PAGE_ORIGIN_SOURCES} ${CMAKE_CURRENT_LIST_DIR}/../component/page_origin.h)

# korvala_unreadable_page_origins(<result> <addresses> <tool folder>): <result> = the entries of
# <addresses> that have no page origin, one per line; empty when every entry has one. Builds the
# check into <tool folder> when it is missing or older than its sources.
function(korvala_unreadable_page_origins result addresses folder)
  set(${result} "" PARENT_SCOPE)
  string(STRIP "${addresses}" stripped)
  if(stripped STREQUAL "")
    return()
  endif()
  set(tool ${folder}/check_page_origins)
  set(stale FALSE)
  foreach(input ${KORVALA_PAGE_ORIGIN_INPUTS})
    # Also true while the tool does not exist.
    if(input IS_NEWER_THAN ${tool})
      set(stale TRUE)
    endif()
  endforeach()
  if(stale)
    # A cross build's toolchain makes programs for another system: take the host's compiler.
    find_program(KORVALA_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
    file(MAKE_DIRECTORY ${folder})
    execute_process(
      COMMAND ${KORVALA_HOST_CXX} -std=c++17 -o ${tool} ${KORVALA_PAGE_ORIGIN_SOURCES}
      RESULT_VARIABLE built ERROR_VARIABLE errors)
    if(NOT built EQUAL 0)
      message(FATAL_ERROR "The check of page origins could not be built with ${KORVALA_HOST_CXX}:\n${errors}")
    endif()
  endif()
  execute_process(COMMAND ${tool} "${addresses}" RESULT_VARIABLE checked OUTPUT_VARIABLE unreadable
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT checked MATCHES "^[01]$")
    message(FATAL_ERROR "The check of page origins failed: ${checked}")
  endif()
  set(${result} "${unreadable}" PARENT_SCOPE)
endfunction()

# korvala_check_page_origins(<variable> <tool folder>): stops the configuration, naming each
# entry, when the list of addresses in <variable> holds one that has no page origin.
function(korvala_check_page_origins variable folder)
  korvala_unreadable_page_origins(unreadable "${${variable}}" ${folder})
  if(NOT unreadable STREQUAL "")
    message(FATAL_ERROR "${variable} holds entries that name no http or https origin:\n${unreadable}\n"
      "Give whole addresses (scheme://host[:port], a path may follow) separated by spaces, not by commas.")
  endif()
  if(NOT "${${variable}}" STREQUAL "")
    # A change of the parser checks the list again.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KORVALA_PAGE_ORIGIN_INPUTS})
  endif()
endfunction()
