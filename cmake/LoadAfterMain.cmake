# kestrilon_load_after_main(TARGET): the program's Windows DLLs, beyond kernel32 and the C runtime,
# are loaded at their first use instead of by the loader before main.
#
# Why: people start the programs from Downloads, where a DLL named like a system one may lie. main
# limits the DLL search to the system folder (SetDefaultDllDirectories) before anything else
# loads; but what the loader binds before main, and everything that binds in turn, is still
# searched for in the program's folder first. On Windows the known system DLLs (user32, shell32,
# ...) are safe there; Wine keeps no such list, and its user32.dll imports version.dll, its
# shell32.dll imports shlwapi.dll, which imports shcore.dll: all three were taken from the
# program's folder. Bound at their first call, they and what they import come from the system
# folder. tests/e2e/import-tables.sh checks the result; tests/e2e/planted-dll-e2e.sh proves it.
set(KESTRILON_LOAD_AFTER_MAIN_DLLS user32 gdi32 advapi32 shell32 comctl32 ole32)

function(kestrilon_load_after_main target)
  if(MINGW)
    # Delay-load import libraries under the same names (libuser32.a, ...) in a folder searched
    # before MinGW's own: every -luser32 of the target, its libraries' and the default ones alike,
    # binds late, with no change to how the libraries declare what they link.
    set(folder ${CMAKE_BINARY_DIR}/load-after-main)
    if(NOT TARGET kestrilon_load_after_main_libs)
      set(outputs)
      foreach(dll IN LISTS KESTRILON_LOAD_AFTER_MAIN_DLLS)
        find_library(KESTRILON_IMPORT_LIB_${dll} NAMES ${dll} REQUIRED NO_CACHE)
        add_custom_command(
          OUTPUT ${folder}/lib${dll}.a
          COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
          COMMAND ${PROJECT_SOURCE_DIR}/cmake/delay-import-lib.sh ${CMAKE_NM} ${CMAKE_DLLTOOL}
                  ${KESTRILON_IMPORT_LIB_${dll}} ${dll}.dll ${folder}/lib${dll}.a
          DEPENDS ${PROJECT_SOURCE_DIR}/cmake/delay-import-lib.sh ${KESTRILON_IMPORT_LIB_${dll}}
          COMMENT "Delay-load import library for ${dll}.dll"
          VERBATIM)
        list(APPEND outputs ${folder}/lib${dll}.a)
      endforeach()
      add_custom_target(kestrilon_load_after_main_libs DEPENDS ${outputs})
      set_property(GLOBAL PROPERTY KESTRILON_LOAD_AFTER_MAIN_OUTPUTS ${outputs})
    endif()
    get_property(outputs GLOBAL PROPERTY KESTRILON_LOAD_AFTER_MAIN_OUTPUTS)
    add_dependencies(${target} kestrilon_load_after_main_libs)
    target_link_directories(${target} BEFORE PRIVATE ${folder})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${outputs})
  elseif(MSVC)
    foreach(dll IN LISTS KESTRILON_LOAD_AFTER_MAIN_DLLS)
      target_link_options(${target} PRIVATE /DELAYLOAD:${dll}.dll)
    endforeach()
    target_link_libraries(${target} PRIVATE delayimp)
  endif()
endfunction()
