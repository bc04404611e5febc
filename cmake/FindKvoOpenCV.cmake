# Finds the two OpenCV 4 modules the library uses, core and calib3d.
# Debian ships OpenCV's own CMake package only with libopencv-dev, which pulls
# in every module; the component packages give headers and libraries alone.
# Defines the imported targets KvoOpenCV::core and KvoOpenCV::calib3d.

find_path(KvoOpenCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4)
find_library(KvoOpenCV_core_LIBRARY opencv_core)
find_library(KvoOpenCV_calib3d_LIBRARY opencv_calib3d)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(KvoOpenCV
  REQUIRED_VARS KvoOpenCV_INCLUDE_DIR KvoOpenCV_core_LIBRARY KvoOpenCV_calib3d_LIBRARY)

if(KvoOpenCV_FOUND)
  foreach(component core calib3d)
    if(NOT TARGET KvoOpenCV::${component})
      add_library(KvoOpenCV::${component} UNKNOWN IMPORTED)
      set_target_properties(KvoOpenCV::${component} PROPERTIES
        IMPORTED_LOCATION "${KvoOpenCV_${component}_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${KvoOpenCV_INCLUDE_DIR}")
    endif()
  endforeach()
  set_property(TARGET KvoOpenCV::calib3d APPEND PROPERTY INTERFACE_LINK_LIBRARIES KvoOpenCV::core)
endif()
mark_as_advanced(KvoOpenCV_INCLUDE_DIR KvoOpenCV_core_LIBRARY KvoOpenCV_calib3d_LIBRARY)
