# Prefix hook (sourced by scripts/prefix.sh with $build, $prefix and win()):
# installs the administrator-account library, Wardlow.dll, for the prefix's
# own user, who administers the prefix. Wine keeps no account passwords, so
# none is configured. The agent, installed after the hooks, then takes its
# run-as identity from the library as it does on an installed machine.
if [ -f "$build/components/admin_account/Wardlow.dll" ]; then
    admin_user=$(wine cmd /c 'echo %USERNAME%' | tr -d '\r\n')
    wine "$build/components/installer/TeskInstall.exe" install-admin-account \
        "$(win "$build/components/admin_account/Wardlow.dll")" "$admin_user"
fi
