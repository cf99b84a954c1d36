# Reproducible builds: the same commit gives the same bytes, whatever the folder, the time and the user.
#
# The one date that goes into the artefacts (the PE time stamp, zip and tar entry times) is
# VELMORA_SOURCE_DATE_EPOCH (cmake/source_date.cmake says where it comes from).
# No build path reaches a binary: the source and build folders are mapped to fixed names.

include(${CMAKE_CURRENT_LIST_DIR}/source_date.cmake)
message(STATUS "Source date: ${VELMORA_SOURCE_DATE_EPOCH}, from ${VELMORA_SOURCE_DATE_ORIGIN}")

# The linker (the PE time stamp) and, through CPack's project configuration, the archivers and strip read it
# from the environment; the zip's DOS times are local times, so CPack runs in UTC.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VELMORA_SOURCE_DATE_EPOCH})
file(WRITE ${CMAKE_BINARY_DIR}/CPackReproducible.cmake
     "set(ENV{SOURCE_DATE_EPOCH} ${VELMORA_SOURCE_DATE_EPOCH})\nset(ENV{TZ} UTC)\n")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackReproducible.cmake)

# Paths as the program's sources name them, relative to the source folder; a build folder outside it is "build".
if(NOT MSVC)
  cmake_path(IS_PREFIX CMAKE_SOURCE_DIR "${CMAKE_BINARY_DIR}" NORMALIZE _build_inside)
  if(NOT _build_inside)
    add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>)
  endif()
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>)
endif()
