# Display conversions against OpenCV's Bayer conversion and memcpy. OpenCV is used here only.
# Debian's libopencv-imgproc-dev ships no CMake package file, so the pieces are found directly.
find_path(OPENCV_INCLUDE_DIR opencv2/imgproc.hpp PATH_SUFFIXES opencv4 REQUIRED)
find_library(OPENCV_CORE_LIBRARY opencv_core REQUIRED)
find_library(OPENCV_IMGPROC_LIBRARY opencv_imgproc REQUIRED)
add_executable(convert_bench ${CMAKE_CURRENT_LIST_DIR}/convert_bench.cpp)
target_include_directories(convert_bench SYSTEM PRIVATE ${OPENCV_INCLUDE_DIR})
target_link_libraries(convert_bench PRIVATE display benchmark::benchmark ${OPENCV_IMGPROC_LIBRARY}
                      ${OPENCV_CORE_LIBRARY})
