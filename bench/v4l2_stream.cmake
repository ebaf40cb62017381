# The V4L2 streaming thread's own work per frame, with the frame callback's reordering.
add_executable(v4l2_stream_bench ${CMAKE_CURRENT_LIST_DIR}/v4l2_stream_bench.cpp)
target_link_libraries(v4l2_stream_bench PRIVATE camera capture_v4l2 benchmark::benchmark)
