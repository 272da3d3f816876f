# The layer check against a small tree whose layer "high" builds on "low" (its b.h includes
# low/a.h): each row is a file, the include it holds, whether the check must let it pass, and
# the layers line when it is not "high: low". An include that reaches a layer above through <…>
# or ../ is caught as "…" is; a layer claimed for nothing is caught.
# Usage: cmake -DCHECK=<check_layers.cmake> -DWORK=<scratch folder> -P check_layers_test.cmake
cmake_minimum_required(VERSION 3.25)
set(cases
  "src/high/c.cpp|#include \"low/a.h\"|pass"
  "src/high/c.cpp|#include \"b.h\"|pass"
  "src/low/c.cpp|#include <vector>|pass"
  "src/low/c.cpp|#include \"high/b.h\"|fail"
  "src/low/c.cpp|#include <high/b.h>|fail"
  "src/low/c.cpp|#include \"../high/b.h\"|fail"
  "src/low/c.cpp|#  include <../src/high/b.h>|fail"
  "tests/low/t.cpp|#include \"../../src/high/b.h\"|fail"
  "src/low/c.cpp|#include <QWidget>|fail"
  "src/high/c.cpp|#include \"mid/m.h\"|pass|high: low mid"
  "src/high/c.cpp|#include <vector>|fail|high: low mid")
set(failures 0)
foreach(row IN LISTS cases)
  string(REPLACE "|" ";" fields "${row}")
  list(GET fields 0 file)
  list(GET fields 1 line)
  list(GET fields 2 expected)
  set(high "high: low")
  list(LENGTH fields count)
  if(count GREATER 3)
    list(GET fields 3 high)
  endif()
  file(REMOVE_RECURSE ${WORK})
  file(WRITE ${WORK}/src/layers.txt "low:\nmid:\n${high}\n")
  file(WRITE ${WORK}/src/low/a.h "")
  file(WRITE ${WORK}/src/mid/m.h "")
  file(WRITE ${WORK}/src/high/b.h "#include \"low/a.h\"\n")
  file(WRITE ${WORK}/${file} "${line}\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${WORK} -P ${CHECK} RESULT_VARIABLE code OUTPUT_QUIET ERROR_QUIET)
  set(got pass)
  if(NOT code EQUAL 0)
    set(got fail)
  endif()
  if(NOT got STREQUAL expected)
    message("${high}: ${file}: ${line}: the check let it ${got}, expected ${expected}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} rows of the layer check went wrong")
endif()
