# vorlex_shared_object_name(<variable> <name> [HINTS dirs...]): the file
# name under which the system loads the shared library "lib<name>.so"
# (its versioned name, "libzip.so.4"), for code that loads it with dlopen
# when it first needs it instead of linking it.
function(vorlex_shared_object_name variable name)
  cmake_parse_arguments(ARG "" "" "HINTS" ${ARGN})
  find_library(${variable}_FILE NAMES ${name} HINTS ${ARG_HINTS} REQUIRED)
  get_filename_component(real ${${variable}_FILE} REALPATH)
  get_filename_component(file ${real} NAME)
  string(REGEX REPLACE "^(lib.+\\.so\\.[0-9]+).*$" "\\1" soname ${file})
  set(${variable} ${soname} PARENT_SCOPE)
endfunction()
