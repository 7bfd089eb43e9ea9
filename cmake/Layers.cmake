# SPDX-License-Identifier: GPL-3.0-or-later
# The layers of src/, lowest first, and which folders each may include. The build checks
# every #include of every layer against this list before it compiles anything: an include
# that goes up a layer (the link including a page, say) fails `cmake --build`.
#
#   vocabulary, settings      value lists; config.ini
#   link                      transport, serial port, Modbus master, traffic log, stop
#   messages                  the prompter and the texts that say why something failed
#   line                      the one owner of the serial line
#   meter                     register maps, value codecs, the live record, identification
#   live, search, traffic     the live connection; the meter search; traffic lines
#   pages                     page tables and the engine that runs them
#   history                   polling cycles kept, drawn, summed up and logged to CSV
#   proving                   a verification run's arithmetic, the zero checked; the sensor factor corrected
#   records                   a meter's parameters kept, compared, restored, reported (with what proving found)
#   printing                  a report's HTML as PDF, with Qt (the one Qt piece kelvo-cli may use)
#   cli, ui                   kelvo-cli and the Qt application
#   sim                       the simulated meter, a tool beside the program

set(KELVO_LAYER_INCLUDES_vocabulary "")
set(KELVO_LAYER_INCLUDES_settings "")
set(KELVO_LAYER_INCLUDES_link "settings")
set(KELVO_LAYER_INCLUDES_messages "settings;link")
set(KELVO_LAYER_INCLUDES_line "settings;link;messages")
set(KELVO_LAYER_INCLUDES_meter "vocabulary;settings;link;messages")
set(KELVO_LAYER_INCLUDES_live "vocabulary;settings;link;messages;line;meter")
set(KELVO_LAYER_INCLUDES_search "vocabulary;settings;link;messages;line;meter")
set(KELVO_LAYER_INCLUDES_traffic "vocabulary;settings;link;messages;meter")
set(KELVO_LAYER_INCLUDES_pages "vocabulary;settings;link;messages;meter")
set(KELVO_LAYER_INCLUDES_history "vocabulary;settings;link;messages;line;meter;live")
set(KELVO_LAYER_INCLUDES_proving "vocabulary;settings;link;messages;line;meter;live;pages;history")
set(KELVO_LAYER_INCLUDES_records "vocabulary;settings;link;messages;line;meter;live;pages;history;proving")
set(KELVO_LAYER_INCLUDES_printing "")
set(KELVO_LAYER_INCLUDES_cli "vocabulary;settings;link;messages;line;meter;live;search;traffic;pages;history;records;proving;printing")
set(KELVO_LAYER_INCLUDES_ui "vocabulary;settings;link;messages;line;meter;live;search;traffic;pages;history;records;proving;printing;resources")
set(KELVO_LAYER_INCLUDES_sim "vocabulary;settings;link;meter")
set(KELVO_LAYERS vocabulary settings link messages line meter live search traffic pages history proving records printing cli ui sim)
