# Writes the column reference afresh and compares it with the committed one.
execute_process(COMMAND ${GENERATOR} ${FRESH} RESULT_VARIABLE written)
if(NOT written EQUAL 0)
  message(FATAL_ERROR "tolvan_columns could not write ${FRESH}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${DOC} ${FRESH} RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "docs/columns.md does not match the column tables. Regenerate it with\n"
                      "  cmake --build ${BUILD_DIR} --target columns-doc\n"
                      "and commit it (diff ${DOC} ${FRESH} shows what changed).")
endif()
