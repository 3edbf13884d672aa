# The release of the deliverables (tools/build.sh release): optimised, the same bytes from every
# build of one commit wherever it is built, stripped with their symbols in files of their own,
# signed, and listed with their SHA-256 sums. The files go to KORVALA_RELEASE_DIR.
if(NOT WIN32)
  message(FATAL_ERROR "A release is a cross build for Windows: tools/build.sh release")
endif()

set(KORVALA_RELEASE_DIR ${CMAKE_BINARY_DIR}/files CACHE PATH "Folder of the release's files")
set(KORVALA_SIGN_CERT "" CACHE FILEPATH "Certificate that signs the release (PEM); empty: a throwaway one")
set(KORVALA_SIGN_KEY "" CACHE FILEPATH "Private key of that certificate (PEM)")
# Unsigned, stripped binaries on their way into the release.
set(KORVALA_RELEASE_STAGE ${CMAKE_BINARY_DIR}/release-stage)

if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()
set(CMAKE_C_FLAGS_RELEASE "-O2 -g -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -g -DNDEBUG")
# No build folder in any file: the sources are named from the source tree's top (.), the files
# made during the build from the build tree's (build). The later option wins for a build tree
# inside the source tree.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
# No link time in the PE header.
add_link_options(-Wl,--no-insert-timestamp)

# The signing time is the commit's time, so that one key gives the same signatures every time.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(KORVALA_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
    OUTPUT_VARIABLE KORVALA_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE git_result ERROR_QUIET)
  if(NOT git_result EQUAL 0)
    message(FATAL_ERROR "The release's time comes from its commit: build it from a git checkout or set SOURCE_DATE_EPOCH")
  endif()
endif()

# widl writes its run's time into the type library (as text in the time zone): the commit's, in UTC.
set(KORVALA_WIDL_ENV ${CMAKE_COMMAND} -E env WIDL_TIME_OVERRIDE=${KORVALA_SOURCE_DATE_EPOCH} TZ=UTC)
# wixl writes the time of its run into the MSI package's summary and takes its files' times into
# the cabinet; it knows no SOURCE_DATE_EPOCH, so it runs with the clock stopped at the commit's time
# (-f: the time as given, standing still, where a plain timestamp would start a running clock).
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${KORVALA_SOURCE_DATE_EPOCH})
string(TIMESTAMP commit_time "%Y-%m-%d %H:%M:%S" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
find_program(KORVALA_FAKETIME faketime REQUIRED)
set(KORVALA_COMMIT_CLOCK ${CMAKE_COMMAND} -E env TZ=UTC ${KORVALA_FAKETIME} -f "${commit_time}")

if(KORVALA_SIGN_CERT STREQUAL "" OR KORVALA_SIGN_KEY STREQUAL "")
  set(throwaway ${CMAKE_BINARY_DIR}/throwaway-signing)
  if(NOT EXISTS ${throwaway}/certificate.pem OR NOT EXISTS ${throwaway}/key.pem)
    file(MAKE_DIRECTORY ${throwaway})
    execute_process(COMMAND openssl req -x509 -newkey rsa:3072 -sha256 -nodes -days 3650
        -subj "/CN=Korvala throwaway signing certificate/O=Korvala" -addext "extendedKeyUsage=codeSigning"
        -keyout ${throwaway}/key.pem -out ${throwaway}/certificate.pem
      RESULT_VARIABLE openssl_result OUTPUT_QUIET ERROR_VARIABLE openssl_errors)
    if(NOT openssl_result EQUAL 0)
      message(FATAL_ERROR "openssl could not make a throwaway signing certificate: ${openssl_errors}")
    endif()
  endif()
  set(KORVALA_SIGN_CERT ${throwaway}/certificate.pem CACHE FILEPATH "" FORCE)
  set(KORVALA_SIGN_KEY ${throwaway}/key.pem CACHE FILEPATH "" FORCE)
  message(WARNING "No signing certificate given (KORVALA_SIGN_CERT and KORVALA_SIGN_KEY): the release is "
    "signed with the throwaway certificate ${KORVALA_SIGN_CERT}, which no Windows trusts. Not for distribution.")
endif()
# tools/sign.sh with the release's certificate and time; further settings (KORVALA_SIGN_PASSWORD_FILE,
# KORVALA_TIMESTAMP_URL) come from the build's environment.
set(KORVALA_SIGN_ENV KORVALA_SIGN_CERT=${KORVALA_SIGN_CERT} KORVALA_SIGN_KEY=${KORVALA_SIGN_KEY}
  SOURCE_DATE_EPOCH=${KORVALA_SOURCE_DATE_EPOCH})
set(KORVALA_SIGN ${CMAKE_COMMAND} -E env ${KORVALA_SIGN_ENV} bash ${PROJECT_SOURCE_DIR}/tools/sign.sh)

# The programs that the release's own tests run besides the release's files (korvala_release_test).
add_custom_target(release_test_programs)

# korvala_release_binary(target file [FOLDER folder]): the target's binary as the release has it:
# its symbols in <file>.debug, which the binary names (.gnu_debuglink), the binary stripped and
# signed, in the release's folder or the one given (for a binary that only a package carries).
function(korvala_release_binary target file)
  cmake_parse_arguments(R "" "FOLDER" "" ${ARGN})
  if(NOT R_FOLDER)
    set(R_FOLDER ${KORVALA_RELEASE_DIR})
  endif()
  # objcopy writes the current time into a PE header unless SOURCE_DATE_EPOCH gives one: none, as
  # at the link.
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  set(released ${R_FOLDER}/${file})
  set(stripped ${KORVALA_RELEASE_STAGE}/${file})
  add_custom_command(OUTPUT ${released} ${released}.debug ${stripped}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${R_FOLDER} ${KORVALA_RELEASE_STAGE}
    COMMAND ${objcopy} --only-keep-debug $<TARGET_FILE:${target}> ${released}.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${released}.debug $<TARGET_FILE:${target}> ${stripped}
    COMMAND ${CMAKE_COMMAND} -E copy ${stripped} ${released}
    COMMAND ${KORVALA_SIGN} ${released}
    DEPENDS ${target} ${PROJECT_SOURCE_DIR}/tools/sign.sh
    COMMENT "Releasing ${file}: symbols apart, stripped, signed"
    VERBATIM)
endfunction()

# korvala_release_sums(files...): SHA256SUMS in the release folder, of the named files there.
function(korvala_release_sums)
  list(TRANSFORM ARGN PREPEND ${KORVALA_RELEASE_DIR}/ OUTPUT_VARIABLE paths)
  add_custom_command(OUTPUT ${KORVALA_RELEASE_DIR}/SHA256SUMS
    COMMAND bash -c "sha256sum \"$@\" >SHA256SUMS" bash ${ARGN}
    WORKING_DIRECTORY ${KORVALA_RELEASE_DIR}
    DEPENDS ${paths}
    COMMENT "Listing the release's SHA-256 sums"
    VERBATIM)
  add_custom_target(korvala_release ALL DEPENDS ${KORVALA_RELEASE_DIR}/SHA256SUMS)
endfunction()
