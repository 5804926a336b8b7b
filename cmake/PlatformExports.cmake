# Derives the platform library's exports from its headers and objects, so
# that a function or GUID added to a header is exported without a list kept
# by hand.
#
# Exported are: every function declared with WINAPI, every GUID declared with
# DEFINE_GUID and every data object declared `extern PLATFORM_API` in the
# Win32 / DirectX headers (their names are read here, when configuring), and
# every machine interface function (machine::...) the objects define (read from the
# objects when they are built, since C++ names are only known mangled).

# The script that writes the version script, found beside this file (also
# when another project, such as the fuzz build, includes the platform).
set(PLATFORM_VERSION_SCRIPT_WRITER ${CMAKE_CURRENT_LIST_DIR}/write_platform_version_script.sh)

# Writes the plain list of the headers' C names into the build tree and sets
# PLATFORM_EXPORT_NAMES to its path.
function(platform_read_declared_names include_dir)
  file(GLOB headers CONFIGURE_DEPENDS ${include_dir}/*.h)
  set(names)
  foreach(header ${headers})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
    file(READ ${header} content)
    # Declarations are matched in the whole text (a line may hold a ';').
    string(PREPEND content "\n")
    string(REGEX MATCHALL "WINAPI[ \t]+[A-Za-z_][A-Za-z0-9_]*[ \t]*\\(" functions "${content}")
    string(REGEX MATCHALL "\nDEFINE_GUID\\([ \t]*[A-Za-z_][A-Za-z0-9_]*" guids "${content}")
    string(REGEX MATCHALL "\nextern[ \t]+PLATFORM_API[^;\n]*" data "${content}")
    foreach(match ${functions} ${guids} ${data})
      # The name is the last identifier, before a '(' or an array bound.
      if(NOT match MATCHES "([A-Za-z_][A-Za-z0-9_]*)[ \t]*(\\[[A-Za-z0-9_ ]*\\])?[ \t]*\\(?$")
        message(FATAL_ERROR "Unreadable exported declaration in ${header}: ${match}")
      endif()
      list(APPEND names ${CMAKE_MATCH_1})
    endforeach()
  endforeach()
  # A name may be declared under more than one interface version.
  list(REMOVE_DUPLICATES names)
  list(SORT names)
  list(JOIN names "\n" plain)
  set(out ${CMAKE_BINARY_DIR}/exports/winplatform_names.txt)
  file(CONFIGURE OUTPUT ${out} CONTENT "${plain}\n" @ONLY)
  set(PLATFORM_EXPORT_NAMES ${out} PARENT_SCOPE)
endfunction()

# Links `target` (made of the objects of `objects_target`) with a version
# script written from the declared names and the objects' machine interface functions.
function(platform_apply_export_list target objects_target)
  set(map ${CMAKE_BINARY_DIR}/exports/winplatform.map)
  add_custom_command(
    OUTPUT ${map}
    COMMAND ${PLATFORM_VERSION_SCRIPT_WRITER} ${CMAKE_NM} ${PLATFORM_EXPORT_NAMES} ${map}
            $<TARGET_OBJECTS:${objects_target}>
    DEPENDS $<TARGET_OBJECTS:${objects_target}> ${PLATFORM_EXPORT_NAMES}
            ${PLATFORM_VERSION_SCRIPT_WRITER}
    COMMAND_EXPAND_LISTS
    COMMENT "Writing the platform's export list"
    VERBATIM)
  add_custom_target(${target}_export_list DEPENDS ${map})
  add_dependencies(${target} ${target}_export_list)
  target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
endfunction()
