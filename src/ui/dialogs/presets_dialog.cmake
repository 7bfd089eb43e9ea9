# The presets dialog (CCfgDlg) and its two tab pages.
target_sources(kelvo_gui PRIVATE
)
