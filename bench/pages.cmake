# Rec Stop's composition and the JPEG file, each beside its anchor: a memcpy of the line-scan
# store and libjpeg-turbo's bare encode of the same pixels.
find_package(JPEG REQUIRED)
add_executable(pages_bench ${CMAKE_CURRENT_LIST_DIR}/pages_bench.cpp)
target_link_libraries(pages_bench PRIVATE pages display benchmark::benchmark JPEG::JPEG)
