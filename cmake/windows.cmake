# The Windows build: Vantrel.dll, self-contained (the C++ runtime linked in, only system DLLs
# imported), its exports from addon/vantrel.def and its resources compiled by windres; vantrel.exe,
# the host over Windows' own API, and the tests that run both under Wine (32-bit Wine for the
# 32-bit pair, 64-bit Wine for the 64-bit one).
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -DVANTREL_WINDRES")
# Everything a MinGW binary would take from libgcc, libstdc++ and winpthread DLLs is linked in.
add_link_options(-static -static-libgcc -static-libstdc++)

add_subdirectory(regex)

file(GLOB CORE_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/addon/*.cpp
  ${PROJECT_SOURCE_DIR}/dialog/*.cpp
  ${PROJECT_SOURCE_DIR}/search/*.cpp)
add_library(vantrel_module SHARED ${CORE_SOURCES} ${PROJECT_SOURCE_DIR}/addon/windows/dll_main.cpp
            ${PROJECT_SOURCE_DIR}/resources/vantrel.rc ${PROJECT_SOURCE_DIR}/addon/vantrel.def)
set_target_properties(vantrel_module PROPERTIES OUTPUT_NAME Vantrel PREFIX "" IMPORT_PREFIX ""
                                                IMPORT_SUFFIX ".dll.a")
target_link_libraries(vantrel_module PRIVATE vantrel_regex ole32)
# The .def names the stdcall entry points undecorated; the linker ties them to their decorated
# symbols (BcwAddOnEntry@4 ...) on 32-bit x86.
target_link_options(vantrel_module PRIVATE -Wl,--enable-stdcall-fixup -Wl,--no-undefined
                    $<$<NOT:$<CONFIG:Debug>>:-s>)

# The 32-bit module as it is shipped: vantrel-VERSION-windows-x86.zip holding Vantrel.dll and the
# text on installing it in the IDE; the version is the project's, which the module's version block
# repeats (tests/windows/check_package.sh compares them).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VANTREL_ZIP ${CMAKE_BINARY_DIR}/vantrel-${PROJECT_VERSION}-windows-x86.zip)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/INSTALL.txt
                 ${CMAKE_BINARY_DIR}/zip/INSTALL.txt @ONLY NEWLINE_STYLE CRLF)
  add_custom_command(
    OUTPUT ${VANTREL_ZIP}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:vantrel_module> ${CMAKE_BINARY_DIR}/zip/
    COMMAND ${CMAKE_COMMAND} -E rm -f ${VANTREL_ZIP}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${VANTREL_ZIP} --format=zip Vantrel.dll INSTALL.txt
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/zip
    DEPENDS vantrel_module ${CMAKE_BINARY_DIR}/zip/INSTALL.txt
    VERBATIM)
  add_custom_target(vantrel_zip ALL DEPENDS ${VANTREL_ZIP})
endif()

enable_testing()
add_subdirectory(host/windows)
add_subdirectory(tests/windows)

