# Sourced: init_wine_prefix LOG creates the Wine prefix named by WINEPREFIX
# and makes it behave like a desktop.
#
# Managed = "N": without a window manager on the virtual display, Wine would
# hand each of its windows to one and wait about 2 s for every hide to be
# confirmed. Unmanaged, a window hides at once, as on Windows.
init_wine_prefix() {
    wineboot -i </dev/null >"$1" 2>&1 || return 1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >>"$1" 2>&1 || return 1
}
