# SPDX-License-Identifier: Apache-2.0
# Warnings for the project's own targets; third-party code is not built with them.
function(halcyon_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                                             -Wformat=2 -Wno-format-nonliteral)
  endif()
endfunction()
