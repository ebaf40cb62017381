# The console: the recording step of the frame handler beside a plain copy of its lines, and the BMP
# writer beside one write of the same bytes.
add_executable(console_bench ${CMAKE_CURRENT_LIST_DIR}/console_bench.cpp)
target_link_libraries(console_bench PRIVATE display shared_buffers benchmark::benchmark)
