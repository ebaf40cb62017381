# Saving the composed line-scan image as a 24-bit BMP beside one fwrite of the same bytes.
add_executable(bmp_save_bench ${CMAKE_CURRENT_LIST_DIR}/bmp_save_bench.cpp)
target_link_libraries(bmp_save_bench PRIVATE display benchmark::benchmark)
