# The frame path: the frame callback's reordering beside a plain copy of the same sample.
add_executable(frame_path_bench ${CMAKE_CURRENT_LIST_DIR}/frame_path_bench.cpp)
target_link_libraries(frame_path_bench PRIVATE camera benchmark::benchmark)
