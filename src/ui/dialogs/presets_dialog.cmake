# The presets dialog (CCfgDlg) and its two tab pages.
target_sources(kelvo_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/cfg_dlg.h
  ${CMAKE_CURRENT_LIST_DIR}/cfg_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cfg_common_dlg.h
  ${CMAKE_CURRENT_LIST_DIR}/cfg_common_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cfg_w58_common_dlg.h
  ${CMAKE_CURRENT_LIST_DIR}/cfg_w58_common_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/preset_tab_page.h
  ${CMAKE_CURRENT_LIST_DIR}/preset_tab_page.cpp
)
