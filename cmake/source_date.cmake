# The date that goes into every release artefact, in seconds since 1970: VELMORA_SOURCE_DATE_EPOCH, with
# where it came from in VELMORA_SOURCE_DATE_ORIGIN. The first of:
#   1. the SOURCE_DATE_EPOCH environment variable;
#   2. the time of the last commit (git log -1 --format=%ct) in a git checkout;
#   3. cmake/source_date_epoch.txt, which `git archive` fills in with that commit time (export-subst);
#   4. the date of the newest entry of platform/linux/package/changelog.in (the release date).
# Included by the build; `cmake -P cmake/source_date.cmake` prints the date alone, for the release script and
# the tests.

get_filename_component(_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(_sde "$ENV{SOURCE_DATE_EPOCH}")
set(VELMORA_SOURCE_DATE_ORIGIN "SOURCE_DATE_EPOCH")
if(NOT _sde MATCHES "^[0-9]+$" AND EXISTS ${_root}/.git)
  find_program(GIT_EXECUTABLE git)
  if(GIT_EXECUTABLE)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct WORKING_DIRECTORY ${_root}
                    OUTPUT_VARIABLE _sde OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    set(VELMORA_SOURCE_DATE_ORIGIN "the last commit")
    # A new commit changes the date: configure again.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir WORKING_DIRECTORY ${_root}
                    OUTPUT_VARIABLE _git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(EXISTS "${_git_dir}/logs/HEAD" AND NOT CMAKE_SCRIPT_MODE_FILE)
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_git_dir}/logs/HEAD")
    endif()
  endif()
endif()
if(NOT _sde MATCHES "^[0-9]+$")
  file(STRINGS ${_root}/cmake/source_date_epoch.txt _sde LIMIT_COUNT 1)
  set(VELMORA_SOURCE_DATE_ORIGIN "cmake/source_date_epoch.txt")
endif()
if(NOT _sde MATCHES "^[0-9]+$")
  # " -- Maintainer <address>  Mon, 07 Dec 2026 00:00:00 +0000": days since 1970 by the civil calendar.
  file(STRINGS ${_root}/platform/linux/package/changelog.in _line REGEX "^ -- " LIMIT_COUNT 1)
  if(NOT _line MATCHES ", ([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) ([0-9]+):([0-9]+):([0-9]+) \\+0000$")
    message(FATAL_ERROR "Set SOURCE_DATE_EPOCH: no date in the changelog's first entry")
  endif()
  set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(FIND _months ${CMAKE_MATCH_2} _m)
  math(EXPR _m "${_m} + 1")
  set(_d ${CMAKE_MATCH_1})
  set(_y ${CMAKE_MATCH_3})
  set(_hms "${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 + ${CMAKE_MATCH_6}")
  if(_m LESS_EQUAL 2)
    math(EXPR _y "${_y} - 1")
  endif()
  math(EXPR _era "${_y} / 400")
  math(EXPR _yoe "${_y} - ${_era} * 400")
  math(EXPR _doy "(153 * ((${_m} + 9) % 12) + 2) / 5 + ${_d} - 1")
  math(EXPR _doe "${_yoe} * 365 + ${_yoe} / 4 - ${_yoe} / 100 + ${_doy}")
  math(EXPR _sde "(${_era} * 146097 + ${_doe} - 719468) * 86400 + ${_hms}")
  set(VELMORA_SOURCE_DATE_ORIGIN "the changelog's newest entry")
endif()
set(VELMORA_SOURCE_DATE_EPOCH ${_sde})
if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${VELMORA_SOURCE_DATE_EPOCH})
endif()
