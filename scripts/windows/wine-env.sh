# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Sourced by the Windows scripts: one Wine prefix per use (tests, package smoke test),
# quiet, with no Mono or Gecko prompts and no menu entries written into the Linux home,
# kept running by a persistent wineserver so that each program under it starts in about
# 0.15 s instead of 2 s. Call wine_start <prefix>, wine_map_port COMn <link>, wine_stop.

# shellcheck disable=SC2034  # used by the scripts that source this one
wine_cache=${KELVO_CACHE_DIR:-$HOME/.cache/kelvo}
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

# A fresh prefix takes about 15 s and 0.7 GB; fonts-wqy-microhei must be installed first, or
# Chinese text in windows is drawn as boxes.
wine_start() {  # prefix folder
  export WINEPREFIX=$1
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the Wine prefix $WINEPREFIX (once)"
    # wineboot's exit status says little (it may report a helper it could not start);
    # the registry it leaves behind is what counts.
    "$wine64" wineboot -i >>"$WINEPREFIX/kelvo-wine.log" 2>&1 || true
    "$wineserver" -w >>"$WINEPREFIX/kelvo-wine.log" 2>&1 || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "Wine could not make its prefix; see $WINEPREFIX/kelvo-wine.log" >&2
      return 1
    fi
  fi
  # A server left running for this prefix (a run stopped by hand) refuses a second one: use it.
  "$wineserver" -p >>"$WINEPREFIX/kelvo-wine.log" 2>&1 || true
  "$wine64" wineboot >>"$WINEPREFIX/kelvo-wine.log" 2>&1 || true
}

# Wine rewrites dosdevices/comN each time its server starts, so a link made there by hand
# races; a COM port mapped in the registry to a link of our own stays, and only that link
# is pointed at each run's pseudo-terminal. Mapped once per prefix; the server then starts
# anew to take the mapping up.
wine_map_port() {  # COMn, stable link path
  local port=$1 link=$2
  if "$wine64" reg query 'HKLM\Software\Wine\Ports' /v "$port" 2>/dev/null | grep -qF "$link"; then
    return 0
  fi
  "$wine64" reg add 'HKLM\Software\Wine\Ports' /v "$port" /d "$link" /f >/dev/null
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w >/dev/null 2>&1 || true
  wine_start "$WINEPREFIX"
}

# Windows programs ask for the dialog font "MS Shell Dlg", which Wine maps to Tahoma. A Wine
# that cannot find its Tahoma (Debian's, whose fonts-wine files it does not load) falls back
# to whatever font comes first, here DejaVu Math TeX Gyre, in which Qt draws no text in
# edit boxes at all. WenQuanYi Micro Hei has Latin and Chinese glyphs (not ℃, which the
# temperature labels then show blank). Set once per prefix; the server restarts to take it.
wine_use_dialog_font() {  # family
  local family=$1 key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  if "$wine64" reg query "$key" /v "MS Shell Dlg" 2>/dev/null | grep -qF "$family"; then
    return 0
  fi
  for dialog in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma"; do
    "$wine64" reg add "$key" /v "$dialog" /d "$family" /f >/dev/null
  done
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w >/dev/null 2>&1 || true
  wine_start "$WINEPREFIX"
}

# Ends every Wine process of the prefix and its server.
wine_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then "$wineserver" -k >/dev/null 2>&1 || true; fi
}
