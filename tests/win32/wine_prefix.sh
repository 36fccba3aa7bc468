# Sourced by the Wine tests, on their virtual X server: makes the fresh prefix WINEPREFIX with
# Wine's own fonts in it and every window on one virtual desktop of 1024 x 768, as on a plain
# Windows screen. Every wait is bounded.
prepare_wine_prefix() {
  timeout 180 wineboot -i >/dev/null 2>&1
  timeout 60 wineserver -w
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  local font
  for font in /usr/share/wine/fonts/* /usr/share/fonts/truetype/wine/*; do
    [ -e "$font" ] && ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
    >/dev/null 2>&1
  timeout 60 wineserver -w # the next start reads the setting afresh
}
