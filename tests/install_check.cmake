# Installs into a scratch folder and checks the layout: the host beside its plug-in, the
# command links, the database tool, the desktop entry and the icon.
file(REMOVE_RECURSE "${ROOT}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix /usr
                RESULT_VARIABLE rc OUTPUT_QUIET
                COMMAND_ECHO NONE)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(f usr/lib/vesperwald/vesperwald usr/lib/vesperwald/libbQuindle.so usr/lib/vesperwald/libbMorrowell.so usr/bin/vesperwald-db
          usr/share/applications/vesperwald.desktop
          usr/share/icons/hicolor/scalable/apps/vesperwald.svg)
    if(NOT EXISTS "${ROOT}/${f}")
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()
file(READ_SYMLINK "${ROOT}/usr/bin/vesperwald" target)
if(NOT target STREQUAL "../lib/vesperwald/vesperwald")
    message(FATAL_ERROR "usr/bin/vesperwald points to ${target}")
endif()
