# Checks that each layer's include root keeps it from the layers above it: a file of the layer
# may include a header below it, and including one above it fails for want of the file.
# Called with CXX (the compiler) and CASES: "target-includes|allowed header|forbidden header;..."
foreach(case ${CASES})
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 layer)
  list(GET parts 1 allowed)
  list(GET parts 2 forbidden)
  set(root ${BINARY_DIR}/layers/${layer})
  set(probe ${WORK_DIR}/probe-${layer}.cpp)
  file(WRITE ${probe} "#include \"${allowed}\"\n")
  execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only -I${root} ${probe}
                  RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${layer} cannot include ${allowed}, which lies below it:\n${errors}")
  endif()
  file(WRITE ${probe} "#include \"${forbidden}\"\n")
  execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only -I${root} ${probe}
                  RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(result EQUAL 0 OR NOT errors MATCHES "No such file")
    message(FATAL_ERROR "${layer} can include ${forbidden}, which lies above it:\n${errors}")
  endif()
  message(STATUS "${layer}: ${allowed} yes, ${forbidden} no")
endforeach()
