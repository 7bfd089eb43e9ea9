# SPDX-License-Identifier: GPL-3.0-or-later
# A sanitizer build is a separate build folder (see scripts/test.sh); the flags apply to every target.
if(KELVO_SANITIZE)
  add_compile_options(-fsanitize=${KELVO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${KELVO_SANITIZE})
endif()

# libFuzzer builds: every target is instrumented for coverage; only the fuzz programs get
# libFuzzer's own main().
if(KELVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KELVO_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
