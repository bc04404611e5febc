# Finds the OpenCV 4 modules we use. Debian ships OpenCV's own CMake package
# only with libopencv-dev, which pulls in every module; the component packages
# give headers and libraries alone.
# core and calib3d (the library's) are always looked for; imgproc and
# imgcodecs (the tool's pictures) only when asked for as components:
#   find_package(KvoOpenCV REQUIRED COMPONENTS imgproc imgcodecs)
# Defines the imported targets KvoOpenCV::<module>.

set(_kvo_opencv_modules core calib3d)
foreach(component IN LISTS KvoOpenCV_FIND_COMPONENTS)
  if(NOT component MATCHES "^(core|calib3d|imgproc|imgcodecs)$")
    message(FATAL_ERROR "FindKvoOpenCV: unknown component ${component}")
  endif()
  list(APPEND _kvo_opencv_modules ${component})
endforeach()
list(REMOVE_DUPLICATES _kvo_opencv_modules)

find_path(KvoOpenCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4)
foreach(module IN LISTS _kvo_opencv_modules)
  find_library(KvoOpenCV_${module}_LIBRARY opencv_${module})
  mark_as_advanced(KvoOpenCV_${module}_LIBRARY)
  if(KvoOpenCV_${module}_LIBRARY AND KvoOpenCV_INCLUDE_DIR)
    set(KvoOpenCV_${module}_FOUND TRUE)
  else()
    set(KvoOpenCV_${module}_FOUND FALSE)
  endif()
endforeach()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(KvoOpenCV
  REQUIRED_VARS KvoOpenCV_INCLUDE_DIR KvoOpenCV_core_LIBRARY KvoOpenCV_calib3d_LIBRARY
  HANDLE_COMPONENTS)

if(KvoOpenCV_FOUND)
  foreach(module IN LISTS _kvo_opencv_modules)
    if(KvoOpenCV_${module}_FOUND AND NOT TARGET KvoOpenCV::${module})
      add_library(KvoOpenCV::${module} UNKNOWN IMPORTED)
      set_target_properties(KvoOpenCV::${module} PROPERTIES
        IMPORTED_LOCATION "${KvoOpenCV_${module}_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${KvoOpenCV_INCLUDE_DIR}")
      # Each module needs the ones below it.
      if(module STREQUAL "calib3d" OR module STREQUAL "imgproc")
        set_property(TARGET KvoOpenCV::${module} APPEND PROPERTY INTERFACE_LINK_LIBRARIES KvoOpenCV::core)
      elseif(module STREQUAL "imgcodecs" AND TARGET KvoOpenCV::imgproc)
        set_property(TARGET KvoOpenCV::${module} APPEND PROPERTY INTERFACE_LINK_LIBRARIES KvoOpenCV::imgproc)
      elseif(module STREQUAL "imgcodecs")
        set_property(TARGET KvoOpenCV::${module} APPEND PROPERTY INTERFACE_LINK_LIBRARIES KvoOpenCV::core)
      endif()
    endif()
  endforeach()
endif()
mark_as_advanced(KvoOpenCV_INCLUDE_DIR)
unset(_kvo_opencv_modules)
