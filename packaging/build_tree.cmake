# Builds one target of another build tree of this source, at a given version:
# configures the tree first when it has never been configured or was
# configured for another version. The package uses it for the 32-bit
# proxy/stub, its tests for a package of a higher version.
#   cmake -DSOURCE=<source> -DBINARY=<tree> -DTOOLCHAIN=<toolchain file> -DVERSION=x.y.z
#         -DTARGET=<target> [-DLAUNCHER=ccache] [-DX86_TREE=<32-bit tree>] -P build_tree.cmake
set(configured "")
if(EXISTS ${BINARY}/CMakeCache.txt)
    file(STRINGS ${BINARY}/CMakeCache.txt configured REGEX "^TESK_VERSION:")
endif()
if(NOT configured STREQUAL "TESK_VERSION:STRING=${VERSION}")
    set(options -DTESK_BUILD_TESTS=OFF -DTESK_VERSION=${VERSION} -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
    if(LAUNCHER)
        list(APPEND options -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER} -DCMAKE_C_COMPILER_LAUNCHER=${LAUNCHER})
    endif()
    if(X86_TREE)
        list(APPEND options -DTESK_X86_BUILD_DIR=${X86_TREE})
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -G Ninja ${options}
                    OUTPUT_QUIET RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "configuring ${BINARY} failed")
    endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} --target ${TARGET}
                OUTPUT_QUIET RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "building ${TARGET} in ${BINARY} failed")
endif()
