# Prefix hook (sourced by scripts/prefix.sh with $build, $prefix and win()):
# installs the configurator and its proxy/stub, so GetConfigurator and clients
# in other processes reach its interfaces. Sample TeskServers and the sample
# I/O plug-in are not installed here: the tests register the instances they
# need themselves (and remove them), and the demonstration client registers
# sample server instance 1 for its run.
if [ -f "$build/components/configurator/TeskConfigurator.exe" ]; then
    wine "$build/components/installer/TeskInstall.exe" install-configurator \
        "$(win "$build/components/configurator/TeskConfigurator.exe")" \
        "$(win "$build/components/configurator/proxy/TeskConfigPS.dll")"
fi
