# SPDX-License-Identifier: GPL-3.0-or-later
# One place for the warning flags so every target of the project builds the same way.
add_library(kelvo_warnings INTERFACE)
target_compile_options(kelvo_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Wunused -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough -Wformat=2)
if(KELVO_WERROR)
  target_compile_options(kelvo_warnings INTERFACE -Werror)
endif()
