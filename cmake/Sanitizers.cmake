# SPDX-License-Identifier: Apache-2.0
# HALCYON_SANITIZE is a list such as "address;undefined" or "thread"; it applies to every target.
if(HALCYON_SANITIZE)
  list(JOIN HALCYON_SANITIZE "," _halcyon_san)
  add_compile_options(-fsanitize=${_halcyon_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_halcyon_san})
endif()
