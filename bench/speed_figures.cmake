# The main dialog at full speed, figures beside their goals (scripts/measure.sh runs it).
if(TARGET full_speed_run)
  add_executable(speed_figures ${CMAKE_CURRENT_LIST_DIR}/speed_figures.cpp)
  target_link_libraries(speed_figures PRIVATE full_speed_run)
endif()
