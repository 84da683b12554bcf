cmake_minimum_required(VERSION 3.25)
# cmake -DBUILD=DIR -DSTAGE=DIR -DDOCDIR=share/doc/quedral -DVERSION=x.y.z -P check_install.cmake
# Installs the build tree into an empty staging folder (DESTDIR, prefix /usr) and checks that every
# file a user needs is there, and that each PNG icon has the size its folder names.
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc})")
endif()

set(id org.quedral.Quedral)
set(expected
  usr/bin/quedral
  usr/bin/quedral-cli
  usr/lib/udev/rules.d/60-quedral-kv4471.rules
  usr/share/applications/${id}.desktop
  usr/share/metainfo/${id}.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/${id}.svg
  usr/share/man/man1/quedral.1.gz
  usr/share/man/man1/quedral-cli.1.gz
  usr/${DOCDIR}/examples/quedral-record.service
  usr/${DOCDIR}/copyright
  usr/${DOCDIR}/changelog.Debian.gz
  usr/share/lintian/overrides/quedral)
set(sizes 16 22 24 32 48 64 128 256)
foreach(size ${sizes})
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/${id}.png)
endforeach()

set(missing)
foreach(f ${expected})
  if(NOT EXISTS "${STAGE}/${f}")
    list(APPEND missing ${f})
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " text)
  message(FATAL_ERROR "cmake --install left out:\n  ${text}")
endif()

# A PNG's width and height are the big-endian words at bytes 16 and 20.
foreach(size ${sizes})
  file(READ "${STAGE}/usr/share/icons/hicolor/${size}x${size}/apps/${id}.png" header HEX OFFSET 16 LIMIT 8)
  string(SUBSTRING "${header}" 0 8 w)
  string(SUBSTRING "${header}" 8 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  if(NOT w EQUAL size OR NOT h EQUAL size)
    message(FATAL_ERROR "the ${size}x${size} icon is ${w}x${h}")
  endif()
endforeach()

# The metadata's newest release is the project's version.
file(READ "${STAGE}/usr/share/metainfo/${id}.metainfo.xml" metainfo)
string(REGEX MATCH "<release version=\"[^\"]*\"" newest "${metainfo}")
if(NOT newest STREQUAL "<release version=\"${VERSION}\"")
  message(FATAL_ERROR "the metadata's newest release is ${newest}, the project's version ${VERSION}")
endif()

file(GLOB_RECURSE installed RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT installed)
list(JOIN installed "\n  " text)
message(STATUS "installed:\n  ${text}")
