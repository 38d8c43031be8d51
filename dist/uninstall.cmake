# Removes what `cmake --install BUILD_DIR --prefix PREFIX` puts in place (under $DESTDIR when
# set), and nothing else: the file list comes from installing into a scratch directory, so it
# always matches the install rules, whatever other installs or packaging runs did meanwhile.
# cmake -DBUILD_DIR=build -DPREFIX=/usr/local -P dist/uninstall.cmake
if(NOT BUILD_DIR OR NOT PREFIX)
  message(FATAL_ERROR "usage: cmake -DBUILD_DIR=<build tree> -DPREFIX=<prefix> -P uninstall.cmake")
endif()
get_filename_component(PREFIX "${PREFIX}" ABSOLUTE)
get_filename_component(BUILD_DIR "${BUILD_DIR}" ABSOLUTE)
set(destdir "$ENV{DESTDIR}")

string(RANDOM LENGTH 12 token)
set(scratch "${BUILD_DIR}/.uninstall-${token}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${scratch} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  file(REMOVE_RECURSE "${scratch}")
  message(FATAL_ERROR "Cannot list the installed files: installing into a scratch directory failed")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${scratch}" "${scratch}/*")
set(removed 0)
foreach(path ${installed})
  set(target "${destdir}/${path}")
  if(EXISTS "${target}" OR IS_SYMLINK "${target}")
    message(STATUS "Removing ${target}")
    file(REMOVE "${target}")
    math(EXPR removed "${removed} + 1")
  endif()
endforeach()

# Folders of our own (share/doc/orvoftp) go too once empty; shared ones (bin, share/man/man1,
# ...) stay, even when empty.
foreach(path ${installed})
  get_filename_component(dir "${destdir}/${path}" DIRECTORY)
  get_filename_component(name "${dir}" NAME)
  if(name STREQUAL "orvoftp" AND IS_DIRECTORY "${dir}")
    file(GLOB left "${dir}/*" "${dir}/.*")
    if(NOT left)
      file(REMOVE_RECURSE "${dir}")
    endif()
  endif()
endforeach()
file(REMOVE_RECURSE "${scratch}")
message(STATUS "Removed ${removed} files of OrvoFTP from ${destdir}${PREFIX}")
