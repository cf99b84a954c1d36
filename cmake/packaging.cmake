# The archive a Windows user downloads: Velmora.exe and the Japanese Readme.txt.
#   cmake --build --preset win32 --target package   ->  build/win32/Velmora-1.90-win32.zip
find_package(Python3 COMPONENTS Interpreter REQUIRED)

set(VELMORA_README ${CMAKE_BINARY_DIR}/Readme.txt)
add_custom_command(
  OUTPUT ${VELMORA_README}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/readme_to_ansi.py ${CMAKE_SOURCE_DIR}/docs/Readme.txt ${VELMORA_README}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/Readme.txt ${CMAKE_SOURCE_DIR}/tools/readme_to_ansi.py
  COMMENT "Readme.txt in code page 932")
add_custom_target(velmora_readme ALL DEPENDS ${VELMORA_README})

install(TARGETS Velmora RUNTIME DESTINATION .)
install(FILES ${VELMORA_README} DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VELMORA_PACKAGE_ARCH win64)
else()
  set(VELMORA_PACKAGE_ARCH win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "Velmora-${PROJECT_VERSION}-${VELMORA_PACKAGE_ARCH}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
