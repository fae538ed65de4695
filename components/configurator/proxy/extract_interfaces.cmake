# Writes the interface definition of the proxy/stub module: the configurator
# interfaces, taken word for word from the agent's interface definition so
# that there is one definition of them.
#   cmake -DSOURCE=<TeskAgent.idl> -DOUTPUT=<file> -P extract_interfaces.cmake
file(READ "${SOURCE}" idl)
set(out "// Generated from TeskAgent.idl: the configurator interfaces only.\nimport \"oaidl.idl\";\nimport \"ocidl.idl\";\n\n")
foreach(name IIOSrvCfgPersist IIoSrvCfgRules)
    string(FIND "${idl}" "interface ${name} : IUnknown" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "interface ${name} not found in ${SOURCE}")
    endif()
    string(SUBSTRING "${idl}" 0 ${at} before)
    string(FIND "${before}" "[" start REVERSE)
    string(SUBSTRING "${idl}" ${at} -1 rest)
    string(FIND "${rest}" "};" length)
    if(start EQUAL -1 OR length EQUAL -1)
        message(FATAL_ERROR "cannot delimit interface ${name} in ${SOURCE}")
    endif()
    math(EXPR length "${at} - ${start} + ${length} + 2")
    string(SUBSTRING "${idl}" ${start} ${length} block)
    string(APPEND out "${block}\n\n")
endforeach()
# SAFEARRAY(T) is an LPSAFEARRAY on the wire; widl's proxy generator would
# marshal SAFEARRAY(T)* as a plain array of T, so the proxy's copy names the
# wire type (the C signature, SAFEARRAY**, is the same).
string(REGEX REPLACE "SAFEARRAY\\([A-Za-z]+\\)" "LPSAFEARRAY" out "${out}")
file(WRITE "${OUTPUT}.new" "${out}")
# Rewritten only when it changes, so widl runs only then.
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")
