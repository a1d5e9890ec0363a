# cmake -DPROGRAM=orvane -DOUT=orvane.1 -P WriteManPage.cmake: the page, gzip-compressed as
# manual pages are shipped, without a time stamp so that builds stay reproducible.
execute_process(COMMAND ${PROGRAM} --man-page OUTPUT_FILE ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --man-page failed: ${rc}")
endif()
execute_process(COMMAND gzip -9nf ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip ${OUT} failed: ${rc}")
endif()
