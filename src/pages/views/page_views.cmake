# The page views: built into kelvo_gui only (the page logic is in kelvo_core).
target_sources(kelvo_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/parameter_page_view.h
  ${CMAKE_CURRENT_LIST_DIR}/parameter_page_view.cpp
)
