# Prefix hook (sourced by scripts/prefix.sh with $build, $prefix and win()):
# installs the configurator and its proxy/stub, so GetConfigurator and clients
# in other processes reach its interfaces. Sample TeskServers and the sample
# I/O plug-in are not installed here: the tests register the instances they
# need themselves (and remove them), and the demonstration client registers
# sample server instance 1 for its run.
# The 32-bit build's proxy/stub, where `scripts/build.sh all` made one, serves
# 32-bit clients.
if [ -f "$build/components/configurator/TeskConfigurator.exe" ]; then
    proxy32=""
    x86_proxy="$build/../x86/components/configurator/proxy"
    [ -f "$x86_proxy/TeskConfigPS.dll" ] && proxy32=$(win "$(cd "$x86_proxy" && pwd)/TeskConfigPS.dll")
    wine "$build/components/installer/TeskInstall.exe" install-configurator \
        "$(win "$build/components/configurator/TeskConfigurator.exe")" \
        "$(win "$build/components/configurator/proxy/TeskConfigPS.dll")" ${proxy32:+"$proxy32"}
fi
