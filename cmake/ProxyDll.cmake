# Proxy/stub DLLs generated from IDL at build time: widl writes the header, the proxy/stub code,
# the interface ids and the DLL data; cmake/ProxyDll.c pulls them into one translation unit.
# Nothing widl generates is kept in the source tree.
find_program(ZZ_WIDL NAMES ${ZZ_ARCH}-w64-mingw32-widl REQUIRED)
# The system IDL files (unknwn.idl, objidl.idl, oaidl.idl) that our IDL imports; Debian ships
# them with Wine's development files.
set(ZZ_IDL_INCLUDE /usr/include/wine/wine/windows CACHE PATH "Folder holding unknwn.idl, objidl.idl and oaidl.idl")
if(NOT EXISTS ${ZZ_IDL_INCLUDE}/oaidl.idl)
    message(FATAL_ERROR "oaidl.idl not found in ${ZZ_IDL_INCLUDE} (Debian: apt-get install libwine-dev)")
endif()

# zz_proxy_dll(<target> <idl> [<rc>]): <target>.dll next to the program, registrable with regsvr32,
# with the version resource <rc> when given.
# The generated header <idl name>.h is in <target>_INCLUDE_DIR for code that wants it.
function(zz_proxy_dll target idl)
    get_filename_component(base ${idl} NAME_WE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}-widl)
    set(generated ${out}/${base}.h ${out}/proxy_p.c ${out}/proxy_i.c ${out}/dlldata.c)
    file(MAKE_DIRECTORY ${out})
    # -Oif: interpreted stubs, so rpcrt4 itself turns a failed call (a server gone) into an
    # HRESULT; the exception handling needs nothing from the compiler or from Wine.
    add_custom_command(OUTPUT ${generated}
        COMMAND ${ZZ_WIDL} -Oif -I${ZZ_IDL_INCLUDE} -h -H ${base}.h -p -P proxy_p.c -u -U proxy_i.c ${idl}
        COMMAND ${CMAKE_COMMAND} -DFILE=proxy_p.c -DIDL=${idl} -P ${CMAKE_SOURCE_DIR}/cmake/FixWidlProxy.cmake
        COMMAND ${ZZ_WIDL} --dlldata-only --dlldata=dlldata.c proxy
        WORKING_DIRECTORY ${out}
        DEPENDS ${idl} ${CMAKE_SOURCE_DIR}/cmake/FixWidlProxy.cmake
        COMMENT "widl ${base}.idl for ${target}"
        VERBATIM)
    # One target owns the generation, so widl never runs twice at once for the same files; the
    # DLL and whatever includes the header wait for it.
    add_custom_target(${target}_header DEPENDS ${generated})
    add_library(${target} SHARED ${CMAKE_SOURCE_DIR}/cmake/ProxyDll.c ${CMAKE_SOURCE_DIR}/cmake/ProxyDll.def ${ARGN})
    add_dependencies(${target} ${target}_header)
    target_include_directories(${target} PRIVATE ${out})
    # Generated code: its warnings are widl's, not ours.
    target_compile_options(${target} PRIVATE -w)
    target_compile_definitions(${target} PRIVATE REGISTER_PROXY_DLL)
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
    target_link_libraries(${target} PRIVATE rpcrt4 ole32 oleaut32 uuid)
    set_target_properties(${target} PROPERTIES
        PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
        ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set(${target}_INCLUDE_DIR ${out} PARENT_SCOPE)
endfunction()
