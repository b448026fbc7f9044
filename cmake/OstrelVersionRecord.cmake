# The version record of a deliverable: Linux has no version resources, so
# each executable, shared library or plug-in module carries a small JSON
# record as a Qt resource, ":/ostrel/version/<its file name>", which
# CModuleVersion (shared/ModuleVersion.h) reads.
#
# ostrel_add_version_record(target DESCRIPTION text [VERSION a.b.c.d])
# VERSION defaults to the project's version, missing parts being 0.

function(_ostrel_json_escape out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(ostrel_add_version_record target)
  cmake_parse_arguments(A "" "DESCRIPTION;VERSION" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  if(NOT type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
    # A static library's resource initialiser would be dropped by the linker.
    message(FATAL_ERROR "ostrel_add_version_record: ${target} is a ${type}")
  endif()
  if(NOT A_VERSION)
    set(A_VERSION ${PROJECT_VERSION})
  endif()
  string(REPLACE "." ";" parts "${A_VERSION}")
  list(LENGTH parts count)
  if(count GREATER 4)
    message(FATAL_ERROR "ostrel_add_version_record: bad version ${A_VERSION}")
  endif()
  while(count LESS 4)
    list(APPEND parts 0)
    math(EXPR count "${count} + 1")
  endwhile()
  list(JOIN parts "." version)

  _ostrel_json_escape(description "${A_DESCRIPTION}")
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_version)
  file(GENERATE OUTPUT ${dir}/version.json CONTENT "{
  \"fileVersion\": \"${version}\",
  \"productVersion\": \"${version}\",
  \"strings\": {
    \"CompanyName\": \"Quelvar\",
    \"FileDescription\": \"${description}\",
    \"FILEVERSION\": \"${version}\",
    \"OriginalFilename\": \"$<TARGET_FILE_NAME:${target}>\",
    \"ProductName\": \"Ostrel\",
    \"ProductVersion\": \"${version}\"
  }
}
")
  file(GENERATE OUTPUT ${dir}/version.qrc CONTENT "<RCC>
  <qresource prefix=\"/ostrel/version\">
    <file alias=\"$<TARGET_FILE_NAME:${target}>\">version.json</file>
  </qresource>
</RCC>
")
  # A name of its own per deliverable: the initialisers of a program and
  # the libraries it loads must not interpose each other.
  string(MAKE_C_IDENTIFIER "ostrel_version_${target}" rccName)
  add_custom_command(OUTPUT ${dir}/qrc_version.cpp
    COMMAND Qt6::rcc --name ${rccName} --output ${dir}/qrc_version.cpp ${dir}/version.qrc
    DEPENDS ${dir}/version.qrc ${dir}/version.json Qt6::rcc
    COMMENT "Version record of ${target}"
    VERBATIM)
  set_source_files_properties(${dir}/qrc_version.cpp PROPERTIES SKIP_AUTOGEN ON)
  target_sources(${target} PRIVATE ${dir}/qrc_version.cpp)
endfunction()
