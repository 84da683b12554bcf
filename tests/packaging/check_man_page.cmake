cmake_minimum_required(VERSION 3.25)
# cmake -DPROGRAM=path -DPAGE=path/NAME.1 -P check_man_page.cmake
# The man page against the program's --help, both ways: every option (--name, -x) and every
# command (the first word of each line under "commands:") of --help is in the page, a command as
# an item of its own; every option the page's OPTIONS section lists is one --help knows.
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PROGRAM} --help
                OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${rc})")
endif()
file(READ "${PAGE}" page)
# The page as text: hyphens unescaped, font changes and zero-width marks dropped.
string(REPLACE "\\-" "-" page "${page}")
string(REGEX REPLACE "\\\\f(\\(..|\\[[^]]*\\]|.)" "" page "${page}")
string(REGEX REPLACE "\\\\[,/&]" "" page "${page}")

function(options_in text out)
  # Brackets would hold a CMake list together.
  string(REGEX REPLACE "[][]" " " text "${text}")
  string(REGEX MATCHALL "(^|[^-A-Za-z0-9])--?[A-Za-z][-A-Za-z]*" found "${text}")
  list(TRANSFORM found REPLACE "^[^-]" "")
  list(REMOVE_DUPLICATES found)
  set(${out} ${found} PARENT_SCOPE)
endfunction()

set(problems)
options_in("${help}" help_options)
foreach(o ${help_options})
  string(REGEX REPLACE "([][+.*?|()^$])" "\\\\\\1" re "${o}")
  if(NOT page MATCHES "(^|[^-A-Za-z0-9])${re}([^-A-Za-z]|$)")
    list(APPEND problems "option ${o} of --help is not in the page")
  endif()
endforeach()

# Commands: the lines under "commands:" that start with two blanks and a word.
string(FIND "${help}" "\ncommands:\n" at)
if(at GREATER -1)
  string(SUBSTRING "${help}" ${at} -1 commands)
  string(REGEX MATCHALL "\n  [a-z][-a-z]*" names "${commands}")
  list(TRANSFORM names STRIP)
  foreach(c ${names})
    # help2man makes each one a tagged paragraph: .TP, then a line starting with the command.
    if(NOT page MATCHES "\\.TP\n${c}([ \n])")
      list(APPEND problems "command ${c} of --help is not an item of the page")
    endif()
  endforeach()
  list(LENGTH names count)
  if(count EQUAL 0)
    list(APPEND problems "no command found under \"commands:\" in --help")
  endif()
endif()

# The page's OPTIONS section names no option that --help does not know (--help itself aside,
# which prints it).
list(APPEND help_options --help)
string(REGEX MATCH "\\.SH OPTIONS\n.*" section "${page}")
string(REGEX REPLACE "\n\\.SH .*" "" section "${section}")
options_in("${section}" page_options)
foreach(o ${page_options})
  if(NOT o IN_LIST help_options)
    list(APPEND problems "option ${o} of the page's OPTIONS is not in --help")
  endif()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${PAGE} and ${PROGRAM} --help differ:\n  ${text}")
endif()
list(LENGTH help_options n)
math(EXPR n "${n} - 1")
message(STATUS "${n} options and the commands of --help are in ${PAGE}")
