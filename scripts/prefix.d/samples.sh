# Prefix hook (sourced by scripts/prefix.sh with $build, $prefix and win()):
# installs the configurator and its proxy/stub, so GetConfigurator and clients
# in other processes reach its interfaces. Sample TeskServers and the sample
# I/O plug-in are not installed here: the tests register the instances they
# need themselves (and remove them), and the demonstration client registers
# sample server instance 1 for its run.
if [ -f "$build/configurator/TeskConfigurator.exe" ]; then
    wine "$build/installer/TeskInstall.exe" install-configurator \
        "$(win "$build/configurator/TeskConfigurator.exe")" \
        "$(win "$build/configurator/proxy/TeskConfigPS.dll")"
fi
