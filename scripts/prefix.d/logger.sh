# Prefix hook (sourced by scripts/prefix.sh with $build, $prefix and win()):
# installs the logger library, Tracemill.dll, the way an administrator does:
# its install folder, a log folder inside the prefix (where tests read the
# log file), and error, warning and trace records on for all clients.
if [ -f "$build/components/logger/Tracemill.dll" ]; then
    logger_key='HKLM\SOFTWARE\Quellix\Framework\Logger'
    mkdir -p "$prefix/drive_c/ProgramData/Quellix/Logs"
    wine reg add "$logger_key" /v InstallPath /t REG_SZ /d "$(win "$build/components/logger")" /f >/dev/null
    wine reg add "$logger_key" /v LogFolder /t REG_SZ /d 'C:\ProgramData\Quellix\Logs' /f >/dev/null
    wine reg add "$logger_key" /v Flags /t REG_SZ /d 'Error;Warning;Trace' /f >/dev/null
fi
