# Build functions shared by the agent, the components, the samples and the tools.

# tesk_widl(<target> <idl> <output folder>)
# Compiles an interface definition with widl into <name>_h.h, <name>_i.c and
# <name>.tlb (SYS_WIN64 or SYS_WIN32, after the build at hand) in the output
# folder, and adds the custom target <target> that produces them.
function(tesk_widl target idl out_dir)
    get_filename_component(name ${idl} NAME_WE)
    set(flags -I/usr/include/wine/wine/windows -L${TESK_WINE_DLL_DIR})
    add_custom_command(
        OUTPUT ${out_dir}/${name}_h.h ${out_dir}/${name}_i.c ${out_dir}/${name}.tlb
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
        COMMAND ${TESK_WIDL} ${flags} -h -H ${out_dir}/${name}_h.h ${idl}
        COMMAND ${TESK_WIDL} ${flags} -u -U ${out_dir}/${name}_i.c ${idl}
        COMMAND ${TESK_WIDL} ${flags} ${TESK_TYPELIB_TARGET} -t -T ${out_dir}/${name}.tlb ${idl}
        DEPENDS ${idl}
        COMMENT "widl ${name}.idl"
        VERBATIM)
    add_custom_target(${target} DEPENDS ${out_dir}/${name}_h.h ${out_dir}/${name}.tlb)
endfunction()

# tesk_fault_translation(<target>...)
# Machine faults inside the agent's method bodies become C++ exceptions
# (TeskAgent/diagnostics): every file whose code can fault, and every caller
# with the catching frame, is compiled with -fnon-call-exceptions. g++'s
# interprocedural scalar replacement can move a dereference out of a callee into
# its caller outside the exception region, so a fault there would pass by the
# method frame: it stays off for the same files.
function(tesk_fault_translation)
    foreach(target ${ARGN})
        target_compile_options(${target} PRIVATE -fnon-call-exceptions -fno-ipa-sra)
    endforeach()
endfunction()

# The version header every version resource includes.
configure_file(${CMAKE_CURRENT_LIST_DIR}/tesk_version.h.in ${TESK_GENERATED_DIR}/tesk_version.h @ONLY)

# tesk_version_resource(<target> <description>)
# Gives the target's binary a version resource carrying the project version.
function(tesk_version_resource target description)
    get_target_property(name ${target} OUTPUT_NAME)
    get_target_property(type ${target} TYPE)
    set(TESK_RC_NAME ${name})
    set(TESK_RC_DESCRIPTION ${description})
    if(type STREQUAL "SHARED_LIBRARY")
        set(TESK_RC_FILE ${name}.dll)
        set(TESK_RC_TYPE VFT_DLL)
    else()
        set(TESK_RC_FILE ${name}.exe)
        set(TESK_RC_TYPE VFT_APP)
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${TESK_GENERATED_DIR}/tesk_version.h)
    target_sources(${target} PRIVATE ${rc})
endfunction()
