# SPDX-License-Identifier: Apache-2.0
# The manual page renders without a single warning: cmake -DGROFF=groff -DPAGE=halcyon.1 -P ...
execute_process(COMMAND ${GROFF} -ww -z -man ${PAGE}
                RESULT_VARIABLE status ERROR_VARIABLE warnings)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff -ww on ${PAGE} (exit ${status}):\n${warnings}")
endif()
