# Corrects widl's proxy/stub format strings for [out] pointers to strings ([out] LPWSTR*):
# widl 7 and 8 give such a parameter the type offset of the string pointer itself instead of
# the [allocated_on_stack] reference pointer in front of it, and rpcrt4 then unmarshals the
# returned string into a temporary: the caller gets NULL (IOPCServer::GetErrorString,
# IOPCBrowseServerAddressSpace::GetItemID, IOPCGroupStateMgt::GetState). MIDL points such
# parameters at the reference pointer; this makes widl's output do the same.
# Every such parameter of the IDL must be patched: a widl whose output the patterns no longer
# match would otherwise build a proxy/stub that loses those strings again, silently.
# Usage: cmake -DFILE=proxy_p.c -DIDL=<the .idl widl read> -P FixWidlProxy.cmake
file(READ ${IDL} idl_text)
# [in, out, string] LPWSTR* (IOPCBrowse's continuation point) gets the same wrong offset.
string(REGEX MATCHALL "\\[(in,[ \t]*)?out(,[ \t]*string)?\\][ \t\r\n]*LPWSTR[ \t\r\n]*\\*" expected_hits "${idl_text}")
list(LENGTH expected_hits expected)
file(READ ${FILE} text)
set(wrapper_regex "/\\* ([0-9]+) \\([^)\n]*\\) \\*/\n        0x11, 0x14,[^\n]*\n        NdrFcShort\\(0x2\\),\t/\\* Offset= 2 \\(([0-9]+)\\) \\*/")
string(REGEX MATCHALL "${wrapper_regex}" wrappers "${text}")
set(fixed 0)
foreach(wrapper IN LISTS wrappers)
    string(REGEX REPLACE "${wrapper_regex}" "\\1;\\2" offsets "${wrapper}")
    list(GET offsets 0 outer)
    list(GET offsets 1 inner)
    math(EXPR outer_hex "${outer}" OUTPUT_FORMAT HEXADECIMAL)
    set(param_regex "(srv size=[0-9]+ \\*/\n[^\n]*\n        )NdrFcShort\\(0x[0-9a-fA-F]+\\),\t/\\* type offset = ${inner} \\*/")
    string(REGEX MATCHALL "${param_regex}" hits "${text}")
    list(LENGTH hits n)
    math(EXPR fixed "${fixed} + ${n}")
    string(REGEX REPLACE "${param_regex}" "\\1NdrFcShort(${outer_hex}),\t/* type offset = ${outer} */" text "${text}")
endforeach()
if(NOT fixed EQUAL expected)
    message(FATAL_ERROR "${FILE}: ${fixed} [out] string parameter(s) patched, but ${IDL} declares ${expected} "
                        "([out] LPWSTR*): widl's output no longer matches the patterns of ${CMAKE_CURRENT_LIST_FILE}")
endif()
file(WRITE ${FILE} "${text}")
message(STATUS "${FILE}: ${fixed} [out] string parameter(s) pointed at their reference pointer")
