#!/bin/sh
# Builds the Windows Installer package from TeskAgent.wxs with wixl, then
# writes what wixl cannot (see README.md): the rollback type of the rollback
# actions, and the public properties that pass to the installation's
# privileged part.
#   build-msi.sh <wxs> <output .msi> <version> <64-bit build> <32-bit build> <wixl -D options>...
set -e
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
wxs=$(absolute "$1") output=$(absolute "$2") version=$3 bin64=$(absolute "$4") bin32=$(absolute "$5")
shift 5
work="$output.partial"
rm -f "$work"
# wixl looks file sources up relative to its working folder only (an absolute
# Source is refused), so it runs in / with the build folders made relative.
(cd / && wixl -a x64 -D Version="$version" -D Bin64="${bin64#/}" -D Bin32="${bin32#/}" "$@" \
    -o "$work" "$wxs")
# An executable stored in the package's files (18), run from the installation
# script (0x400) as a rollback action (0x100), without impersonation (0x800).
for action in RollbackAdminAccount RollbackConfigurator RollbackAgent; do
    msibuild "$work" -q "UPDATE CustomAction SET Type = 3346 WHERE Action = '$action'"
done
secure=$(msiinfo export "$work" Property | awk -F'\t' '$1 == "SecureCustomProperties" { print $2 }')
msibuild "$work" -q "UPDATE Property SET Value = '$secure;LEGACY_OPEN_ACCESS;GRANT;ADMIN_ACCOUNT' WHERE Property = 'SecureCustomProperties'"
mv "$work" "$output"
