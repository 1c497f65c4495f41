# The one version number is project()'s. From it come the version resource and the
# manifest of Trevlin.scr (a generated header and manifest) and the names of the
# installer and the zip (tools/package reads version.txt beside the build).
set(_trevlin_version_parts)
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND _trevlin_version_parts 0)
  else()
    list(APPEND _trevlin_version_parts ${PROJECT_VERSION_${part}})
  endif()
endforeach()
# Windows versions have four numbers: 1.0 is 1,0,0,0 and "1.0.0.0".
list(JOIN _trevlin_version_parts "," TREVLIN_VERSION_COMMAS)
list(JOIN _trevlin_version_parts "." TREVLIN_VERSION_DOTTED)

set(TREVLIN_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/res/trevlin.manifest.in ${TREVLIN_GENERATED_DIR}/trevlin.manifest @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/res/trevlin_version.h.in ${TREVLIN_GENERATED_DIR}/trevlin_version.h @ONLY)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/version.txt CONTENT "${PROJECT_VERSION}\n")
